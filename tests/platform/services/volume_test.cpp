#include "platform/services/volume.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace platform {
namespace {

const char* kMountInfo =
    "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
    "30 22 0:25 / /mnt rw shared:2 - tmpfs tmpfs rw\n"
    "41 30 7:3 / /mnt/Furlpane\\040Novan ro,nodev master:5 - squashfs /dev/loop3 ro\n"
    "42 30 7:4 / /mnt/Furl rw - ext4 /dev/sdb1 ro,errors=remount-ro\n"
    "43 30 0:26 / /mnt rw - tmpfs over rw\n"
    "garbage line\n"
    "44 22 0:27 / /weird\\134name rw - ext4 /dev/sdc1 rw";

TEST(Volume, MountTablesParseWithTheirEscapes) {
    const auto mounts = parseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 6u);
    EXPECT_EQ(mounts[2], (Volume{"/mnt/Furlpane Novan", "/dev/loop3", "squashfs", true, true}));
    EXPECT_TRUE(mounts[3].isReadOnly);  // read-only by its super block options
    EXPECT_FALSE(mounts[3].isDiskImage);
    EXPECT_EQ(mounts[5].mountPoint, "/weird\\name");
}

TEST(Volume, ThePathsVolumeIsTheDeepestMountHoldingItWholeComponentsOnly) {
    const auto mounts = parseMountInfo(kMountInfo);
    EXPECT_EQ(volumeContaining("/mnt/Furlpane Novan/Furlpane Novan.app", mounts)->device, "/dev/loop3");
    EXPECT_EQ(volumeContaining("/mnt/Furlpane Novan", mounts)->device, "/dev/loop3");
    EXPECT_EQ(volumeContaining("/mnt/Furlpane", mounts)->device, "over");  // the later mount on /mnt
    EXPECT_EQ(volumeContaining("/mnt/Furl/x", mounts)->device, "/dev/sdb1");
    EXPECT_EQ(volumeContaining("/home/user", mounts)->device, "/dev/vda1");
    EXPECT_FALSE(volumeContaining("/x", {}));
}

TEST(Volume, TheRealRootHasAVolume) {
    auto root = volumeOf("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->mountPoint, "/");
    EXPECT_TRUE(volumeOf("/proc/self/does/not/exist"));
}

TEST(Volume, TheReadOnlyResourceValueFollowsTheMountTableAndNeedsAnExistingFile) {
    const auto folder = std::filesystem::temp_directory_path() / ("volume-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "Furlpane Novan.app";
    std::ofstream(file) << "x";
    // The folder stands on a read-only disk image.
    setMountTable("22 1 254:1 / / rw - ext4 /dev/vda1 rw\n"
                  "41 22 7:3 / " + folder.string() + " ro - squashfs /dev/loop3 ro\n");
    EXPECT_EQ(volumeIsReadOnlyResourceValue(file), true);
    EXPECT_TRUE(volumeOf(file)->isDiskImage);
    EXPECT_EQ(volumeIsReadOnlyResourceValue(folder / "missing"), std::nullopt);
    EXPECT_EQ(volumeIsReadOnlyResourceValue(""), std::nullopt);
    setMountTable("22 1 254:1 / / rw - ext4 /dev/vda1 rw\n");
    EXPECT_EQ(volumeIsReadOnlyResourceValue(file), false);
    setMountTable("garbage\n");  // a table with no volume for the file: unknown
    EXPECT_EQ(volumeIsReadOnlyResourceValue(file), std::nullopt);
    setMountTable(std::nullopt);
    EXPECT_TRUE(volumeIsReadOnlyResourceValue(file).has_value());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace platform
