#include "textform/text_form_arguments.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

// A tool with one mode of its own (--map) and one option (--no-labels).
TextFormArguments Read(const std::vector<std::string>& arguments) {
  return ReadTextFormArguments(arguments, [](const std::string& argument) {
    if (argument == "--map") return ToolArgument::Mode;
    return argument == "--no-labels" ? ToolArgument::Option : ToolArgument::NotOwn;
  });
}

TEST(TextFormArguments, ModesOptionsAndFilesInAnyOrder) {
  TextFormArguments read = Read({"tool", "a", "--no-labels", "--export=json", "-o", "--out", "b"});
  EXPECT_EQ(read.Mode, TextFormMode::Export);
  EXPECT_EQ(read.ModesGiven, 1);
  EXPECT_TRUE(read.ExportJson);
  EXPECT_EQ(read.OutputName, "--out");  // -o takes the next argument, whatever it is
  EXPECT_EQ(read.Files, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(read.Error, "");

  read = Read({"tool", "--import", "--map", "--dry-run"});
  EXPECT_EQ(read.Mode, TextFormMode::ToolMode);  // the last mode given
  EXPECT_EQ(read.ModesGiven, 2);
  EXPECT_TRUE(read.DryRun);
  EXPECT_FALSE(read.OutputName.has_value());

  // The last refused option is the one reported; a tool without options of
  // its own refuses --map.
  EXPECT_EQ(Read({"tool", "--maps", "-o"}).Error, "-o needs the name of the output file");
  EXPECT_EQ(ReadTextFormArguments({"tool", "-o", "--map"}).Error, "");
  EXPECT_EQ(ReadTextFormArguments({"tool", "--map"}).Error, "unknown option --map");
  EXPECT_TRUE(AsksForTextForm({"tool", "a", "--help"}));
  EXPECT_FALSE(AsksForTextForm({"--tool", "a"}));  // argument 0 is the program
}

}  // namespace
}  // namespace vantor
