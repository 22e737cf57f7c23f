// The file dialog's folder listing and path resolution.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app_test_util.h"
#include "file_dialog.h"

namespace {

using namespace apptest;
using host::app::ListFolder;
using host::app::ResolvePath;

TEST(FileDialog, ListsFoldersAndMidiFilesSortedWithoutHiddenOnes) {
    TempDir dir;
    fs::create_directories(dir / "b-folder");
    fs::create_directories(dir / "a-folder");
    fs::create_directories(dir / ".hidden-folder");
    fs::create_directories(dir / "folder.mid"); // a folder, even with that name
    WriteText(dir / "song.MID", "x");
    WriteText(dir / "another.midi", "x");
    WriteText(dir / "notes.txt", "x");
    WriteText(dir / "song.mid.txt", "x");
    WriteText(dir / "mid", "x");
    WriteText(dir / ".secret.mid", "x");
    WriteText(dir / ".mid", "x");
    host::app::FolderListing listing = ListFolder(dir.Path().string());
    ASSERT_TRUE(listing.ok);
    EXPECT_EQ(listing.folders, (std::vector<std::string>{"..", "a-folder", "b-folder", "folder.mid"}));
    EXPECT_EQ(listing.files, (std::vector<std::string>{"another.midi", "song.MID"}));
    EXPECT_FALSE(ListFolder((dir / "nowhere").string()).ok);
    host::app::FolderListing root = ListFolder("/");
    EXPECT_TRUE(root.folders.empty() || root.folders.front() != "..");
}

TEST(FileDialog, ResolvesTypedNames) {
    EXPECT_EQ(ResolvePath("/home/user/music", "song.mid"), "/home/user/music/song.mid");
    EXPECT_EQ(ResolvePath("/home/user/music", "../other/./x.mid"), "/home/user/other/x.mid");
    EXPECT_EQ(ResolvePath("/home/user/music", "/tmp//y.mid"), "/tmp/y.mid");
    EXPECT_EQ((std::tuple{ResolvePath("/home", ".."), ResolvePath("/", "../../.."), ResolvePath("/a/b", ".")}),
              (std::tuple{"/", "/", "/a/b"}));
    const char* home = std::getenv("HOME");
    if (home && *home && home[0] == '/') {
        EXPECT_EQ(ResolvePath("/a", "~/z.mid"), ResolvePath("/", std::string(home) + "/z.mid"));
    }
}

} // namespace
