#include "written_files.h"

namespace vantor::vtvolx {

std::optional<std::string> WrittenFiles::EarlierNameOf(const std::string& name) {
  before_ = IdentityOf(name);
  if (!before_) return std::nullopt;
  auto found = names_.find(*before_);
  if (found == names_.end()) return std::nullopt;
  return found->second;
}

void WrittenFiles::NoteWritten(const std::string& name) {
  std::optional<FileIdentity> now = IdentityOf(name);
  if (now && now != before_) names_[*now] = name;
}

}  // namespace vantor::vtvolx
