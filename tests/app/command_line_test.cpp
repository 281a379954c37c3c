// The viewer's start-up from the command line and the output folder of an installed viewer, on
// the real window.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/form1_fixture.h"
#include "ui/fixed_values.h"
#include "ui/output_folder.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::Form1Fixture;
using testing::TempDir;

// Paths as a file manager or a shell hands them over: relative ones are taken from the current
// folder, and only an ordinary file is loaded.
TEST(OpenAtStartup, LoadsAsTheOpenDialogDoes) {
  Form1Fixture f;
  const std::string sprite = f.sprite("walk.spr");
  f.make("folder.spr/");
  const fs::path before = fs::current_path();
  fs::current_path(f.sprites.path());
  for (const auto& [given, loads] : std::vector<std::pair<std::string, bool>>{
           {"walk.spr", true},
           {"./sub/../walk.spr", true},
           {sprite, true},
           {"missing.spr", false},
           {"folder.spr", false},
           {"", false},
       }) {
    f.reopen();
    OpenAtStartup(*f.form, given);
    ASSERT_TRUE(f.form->isVisible());
    if (loads) {
      EXPECT_TRUE(f.dialogs.messages.empty()) << given;
      EXPECT_EQ(f.form->Text1(), sprite);
      EXPECT_EQ(f.form->StatusText(), "Decoded 3 pictures in " + sprite);
      EXPECT_EQ(f.form->CommonDialog1.FileName, sprite);  // the next dialog starts there
    } else {
      ASSERT_EQ(f.dialogs.messages.size(), 1u) << given;
      EXPECT_EQ(f.dialogs.messages[0].prompt, "Cannot open \"" + given + "\": no such file.");
      EXPECT_EQ(f.dialogs.messages[0].style, 48);
      EXPECT_EQ(f.dialogs.messages[0].caption, "Valkarin Glintscope");
      EXPECT_EQ(f.form->Text1(), "");
    }
    f.dialogs.messages.clear();
  }
  fs::current_path(before);
}

TEST(OpenAtStartup, OnlyHelpAndVersionNeedNoWindow) {
  const std::vector<const char*> none{"glintscope"}, file{"glintscope", "walk.spr"},
      help{"glintscope", "--help"}, version{"glintscope", "walk.spr", "-v"},
      named{"glintscope", "--", "--version"};  // a file of that name
  for (const auto* args : {&none, &file, &help, &version, &named})
    EXPECT_EQ(AsksForInformation(static_cast<int>(args->size()), args->data()),
              args == &help || args == &version)
        << args->back();
}

// Output goes beside the program, or to the Pictures folder where there is no program folder,
// and always there for an installed viewer; a file already of that name is left alone.
TEST(OutputFolder, BesideTheProgramOrInPicturesWhateverStandsThere) {
  for (const bool installed : {false, true}) {
    for (const std::string present : {"nothing", "folder", "file", "no program folder"}) {
      TempDir app, pictures;
      const bool fallback = installed || present == "no program folder";
      const std::string appPath =
          present == "no program folder" ? app.file("not/there") : app.path();
      const std::string want =
          fallback ? pictures.path() + "/Glintscope Output" : appPath + "/Output";
      if (present == "folder") fs::create_directory(want);
      if (present == "file") std::ofstream(want) << "keep";
      EXPECT_EQ(installed ? PrepareInstalledOutputFolder(pictures.path())
                          : PrepareOutputFolder(appPath, pictures.path()),
                want);
      EXPECT_TRUE(present == "file" ? fs::is_regular_file(want) : fs::is_directory(want))
          << present;
    }
  }
  EXPECT_FALSE(BuiltForInstallation());  // this build runs from its build folder
}

}  // namespace
}  // namespace glint
