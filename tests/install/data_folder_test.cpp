// The data folder lookup: the order of the places, and what a failed search
// tells the user.
#include "platform/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(DataFolder, WorkingFolderFirstThenEnvironmentThenBesideTheProgram) {
  ScratchDir dir;
  fs::create_directories("env/data");
  fs::create_directories("prefix/share/quietorbit/data");
  fs::create_directories("prefix/bin");
  const std::string exe = (dir.Path() / "prefix/bin/quietorbit").string();

  // Neither here nor anywhere yet: only the installed place is left.
  platform::DataSearch s = platform::FindDataFolder(nullptr, exe);
  EXPECT_EQ(s.folder, (dir.Path() / "prefix/share/quietorbit").string());
  ASSERT_EQ(s.tried.size(), 3u);
  EXPECT_TRUE(Contains(s.tried[1], "QUIETORBIT_DATA (not set)"));

  // The environment wins over the installed tree; an empty value counts as unset.
  EXPECT_EQ(platform::FindDataFolder("env", exe).folder, "env");
  EXPECT_EQ(platform::FindDataFolder("", exe).folder, (dir.Path() / "prefix/share/quietorbit").string());
  // A folder named by the environment without data/ inside is passed over.
  EXPECT_EQ(platform::FindDataFolder("prefix", exe).folder, (dir.Path() / "prefix/share/quietorbit").string());

  // ./data wins over everything.
  fs::create_directories("data");
  EXPECT_EQ(platform::FindDataFolder("env", exe).folder, ".");
  // A plain file named data is not a data tree.
  fs::remove("data");
  { std::ofstream("data") << "x"; }
  EXPECT_EQ(platform::FindDataFolder("env", exe).folder, "env");
}

TEST(DataFolder, GamesFolderAndUnknownExecutable) {
  ScratchDir dir;
  fs::create_directories("usr/share/quietorbit/data");
  EXPECT_EQ(platform::FindDataFolder(nullptr, (dir.Path() / "usr/games/quietorbit").string()).folder,
            (dir.Path() / "usr/share/quietorbit").string());
  platform::DataSearch s = platform::FindDataFolder(nullptr, "");
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.tried.size(), 2u);
}

TEST(DataFolder, NothingFoundNamesEveryPlaceAndHowToMakeTheData) {
  ScratchDir dir;
  fs::create_directories("elsewhere");
  std::string message;
  EXPECT_FALSE(platform::EnterDataFolder(platform::FindDataFolder("elsewhere", "/opt/qo/bin/quietorbit"), &message));
  EXPECT_EQ(fs::current_path(), dir.Path());
  EXPECT_TRUE(Contains(message, dir.Path().string() + " (the working folder)")) << message;
  EXPECT_TRUE(Contains(message, (dir.Path() / "elsewhere").string() + " (QUIETORBIT_DATA)")) << message;
  EXPECT_TRUE(Contains(message, "/opt/qo/share/quietorbit (installed beside /opt/qo/bin/quietorbit)")) << message;
  EXPECT_TRUE(Contains(message, "mkdata")) << message;
}

TEST(DataFolder, EntersTheFolderFound) {
  ScratchDir dir;
  fs::create_directories("tree/data");
  std::string message;
  EXPECT_TRUE(platform::EnterDataFolder(platform::FindDataFolder("tree", ""), &message)) << message;
  EXPECT_EQ(fs::current_path(), dir.Path() / "tree");
}

}  // namespace
