// The page as --html writes it: one file, nothing fetched from elsewhere, the
// export inside, and no landmark name that can end the data element.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "lmedit/lmedit_fixtures.h"
#include "vtweb.h"
#include "web_page.h"

namespace vantor::testing {
namespace {

constexpr const char* kDataStart = "<script type=\"application/json\" id=\"vtweb-data\">";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

TEST(WebPage, TheHtmlFileHoldsTheExportAndNothingFromElsewhere) {
  ScratchDir dir;
  WriteBytes(dir.File("l.mrf"), NumberedFile(4));
  const ProgramRun html =
      RunProgram(VTWEB_BINARY, {"--html", "l.mrf", "-o", "map.html"}, "", dir.Path());
  ASSERT_EQ(html.exitCode, 0) << html.err;
  const std::vector<uint8_t> bytes = ReadBytes(dir.File("map.html"));
  const std::string page(bytes.begin(), bytes.end());
  EXPECT_EQ(RunProgram(VTWEB_BINARY, {"--html", "l.mrf"}, "", dir.Path()).out, page);

  const std::regex external(R"((src|href)\s*=\s*["']?\s*(https?:)?//|@import|url\()",
                            std::regex::icase);
  EXPECT_FALSE(std::regex_search(page, external));

  const size_t start = page.find(kDataStart);
  ASSERT_NE(start, std::string::npos);
  const size_t from = start + std::string(kDataStart).size();
  const std::string data = page.substr(from, page.find("</script>", from) - from);
  const ProgramRun exported = RunProgram(LMEDIT_BINARY, {"--export=json", "l.mrf"}, "", dir.Path());
  EXPECT_EQ(data, vtweb::JsonInScript(exported.out));
  EXPECT_NE(data.find("\"Place 4\""), std::string::npos);
}

TEST(WebPage, NoNameEndsTheDataElement) {
  const std::string served = vtweb::PageText(std::nullopt);
  Landmark hostile = NumberedLandmark(1);
  hostile.name = "</script><script>alert(1)</script>";
  ScratchDir dir;
  std::vector<uint8_t> record = RecordBytes(hostile);
  WriteBytes(dir.File("l.mrf"), LandmarkFileBytes(1, record));
  const ProgramRun html = RunProgram(VTWEB_BINARY, {"--html", "l.mrf"}, "", dir.Path());
  ASSERT_EQ(html.exitCode, 0) << html.err;
  // Only the data element's own end is added to the page served.
  EXPECT_EQ(Count(html.out, "</script"), Count(served, "</script") + 1);
  EXPECT_EQ(Count(html.out, "<script"), Count(served, "<script") + 1);
  EXPECT_NE(html.out.find("\\u003c/script>\\u003cscript>alert(1)"), std::string::npos);
}

// The page refuses what lmedit --map refuses, with its reason and code 1.
TEST(WebPage, AFileThatIsNoLandmarkFileIsRefused) {
  ScratchDir dir;
  std::vector<uint8_t> cut = NumberedFile(2);
  cut.pop_back();
  WriteBytes(dir.File("l.mrf"), cut);
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--html", "l.mrf"}, {"l.mrf", "--no-open"}}) {
    const ProgramRun run = RunProgram(VTWEB_BINARY, arguments, "", dir.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("l.mrf is not a landmark file: its header counts 2 records"),
              std::string::npos)
        << run.err;
  }
}

// Each form the help gives, with its placeholders filled in and every
// option in brackets taken, is a command line that vtweb takes.
TEST(VtwebOptions, EveryFormOfTheHelpIsTaken) {
  for (const std::string& line : Lines(vtweb::HelpText())) {
    if (!line.starts_with("Usage: ") && !line.starts_with("  or:  ")) continue;
    std::string form = line.substr(7);
    for (auto [from, to] : {std::pair{"FILE.mrf", "a.mrf"},
                            {"DATA", "d.dat"},
                            {"FORMAT", "f.txt"},
                            {" N]", " 8000]"},
                            {"OUT.html", "o.html"}}) {
      if (form.find(from) != std::string::npos) form = ReplacedOnce(form, from, to);
    }
    std::erase_if(form, [](char c) { return c == '[' || c == ']'; });
    std::vector<std::string> arguments;
    std::istringstream words(form);
    for (std::string word; words >> word;)
      arguments.push_back(word);
    EXPECT_NE(vtweb::ParseOptions(arguments).Mode, vtweb::VtwebMode::BadCommandLine) << form;
  }
}

TEST(VtwebOptions, RefusesWhatDoesNotFit) {
  const std::vector<std::vector<std::string>> refused = {
      {"vtweb"},
      {"vtweb", "a.dat", "f.txt", "b.mrf"},
      {"vtweb", "--html", "a.dat"},
      {"vtweb", "--html", "a.mrf", "f.txt"},
      {"vtweb", "a.mrf", "--port"},
      {"vtweb", "a.mrf", "--port", "0"},
      {"vtweb", "a.mrf", "--port", "65536"},
      {"vtweb", "a.mrf", "--port", "http"},
      {"vtweb", "a.mrf", "-o", "x.html"},
      {"vtweb", "--html", "a.mrf", "--port", "8000"},
      {"vtweb", "--export=json", "a.mrf"},
      {"vtweb", "a.mrf", "--open"},
  };
  for (const auto& arguments : refused) {
    const vtweb::VtwebOptions options = vtweb::ParseOptions(arguments);
    EXPECT_EQ(options.Mode, vtweb::VtwebMode::BadCommandLine) << arguments.back();
  }
  const vtweb::VtwebOptions served =
      vtweb::ParseOptions({"vtweb", "--no-open", "a.mrf", "--port", "65535"});
  EXPECT_EQ(served.Mode, vtweb::VtwebMode::Serve);
  EXPECT_EQ(served.Port, 65535);
  EXPECT_FALSE(served.OpenBrowser);
  EXPECT_EQ(served.FileName, "a.mrf");
  EXPECT_TRUE(served.LandmarkFile);
  // A FORMAT makes any file a data file; without one, the name says.
  const vtweb::VtwebOptions data = vtweb::ParseOptions({"vtweb", "A.MRF", "f.txt"});
  EXPECT_EQ(data.Mode, vtweb::VtwebMode::Serve);
  EXPECT_FALSE(data.LandmarkFile);
  EXPECT_EQ(data.FormatName, "f.txt");
  EXPECT_TRUE(vtweb::ParseOptions({"vtweb", "L.MrF"}).LandmarkFile);
  EXPECT_FALSE(vtweb::ParseOptions({"vtweb", "planes1.dat"}).LandmarkFile);
}

}  // namespace
}  // namespace vantor::testing
