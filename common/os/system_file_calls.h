// The system's file calls, one implementation per system (posix/ and win32/
// file_calls.cpp); file_calls.cpp makes them the system's table, where each
// is described. Internal to the os layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "os/file_calls.h"

namespace vantor::file_calls::system {

Handle OpenExistingFile(const std::string& name, bool forWriting, int64_t& size);
Handle OpenSequential(const std::string& name);
int64_t ReadNext(Handle file, void* buffer, size_t n);
Handle OpenForWriting(const std::string& name, bool truncate);
std::optional<KeptAttributes> AttributesToKeep(const std::string& name);
bool GiveAttributes(Handle file, const KeptAttributes& kept);
Handle OpenUnnamedBeside(const std::string& name);
bool LinkUnnamed(Handle file, const std::string& linkName);
Handle CreateNew(const std::string& name, Permissions permissions);
int64_t ReadAt(Handle file, void* buffer, size_t n, int64_t offset);
bool WriteAt(Handle file, const void* buffer, size_t n, int64_t offset);
int64_t SizeOf(Handle file);
FileIdentity IdentityOf(Handle file);
bool SetSize(Handle file, int64_t size);
CopyResult CopyRange(Handle from, int64_t fromOffset, Handle to, int64_t toOffset, int64_t length);
int ReserveSpace(Handle file, int64_t offset, int64_t length);
bool SyncData(Handle file);
bool Close(Handle file);
bool RemoveName(const std::string& name);
bool MoveIntoPlace(const std::string& temporaryName, const std::string& name);
bool SyncFolder(const std::string& folder);
Handle OpenForLock(const std::string& path);
int TryLock(Handle lock);
void Unlock(Handle lock);

}  // namespace vantor::file_calls::system
