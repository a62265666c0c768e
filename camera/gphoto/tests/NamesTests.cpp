// The 8-character names of a real camera's pictures.
#include "../PictureNames.h"

#include <gtest/gtest.h>

#include <set>

namespace gphoto_tests {
namespace {

using gphoto::PictureFile;
using gphoto::PictureNames;

PictureFile File(const std::string& folder, const std::string& name) { return {folder, name, 1000, 0}; }

TEST(PictureNames, DcfPicturesAreNamedByFolderAndFileNumber)
{
    auto names = PictureNames({File("/DCIM/100PHOTO", "IMG_0001.JPG"), File("/DCIM/999ZZZZZ", "DSCF9999.JPG"),
                               File("/store_00010001/DCIM/123_ABCD", "P1230042.jpg")});
    EXPECT_EQ(names, (std::vector<std::string>{"S1000001", "S9999999", "S1230042"}));
}

TEST(PictureNames, OtherPicturesGetHashedNamesBelowTheDcfRange)
{
    std::vector<PictureFile> files = {File("/", "holiday.jpg"), File("/DCIM/Camera", "IMG_20240101_120000.jpg"),
                                      File("/DCIM/099ABCDE", "IMG_0001.JPG"),  // folder number below 100
                                      File("/DCIM/100PHOTO", "IMG_01.JPG")};   // file name not 8 characters
    auto names = PictureNames(files);
    for (const std::string& name : names) {
        ASSERT_EQ(name.size(), 8u);
        EXPECT_EQ(name.substr(0, 2), "S0") << name;
    }
    EXPECT_EQ(PictureNames(files), names);  // the same every time
}

TEST(PictureNames, CollisionsGetDistinctNamesThatOnlyTheirOwnGroupCanChange)
{
    std::vector<PictureFile> files = {File("/DCIM/100AAAAA", "IMG_0001.JPG"), File("/DCIM/100BBBBB", "IMG_0001.JPG"),
                                      File("/DCIM/100BBBBB", "IMG_0002.JPG"), File("/DCIM/100CCCCC", "IMG_0001.JPG")};
    auto names = PictureNames(files);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 4u);
    EXPECT_EQ(names[0], "S1000001");
    EXPECT_EQ(names[2], "S1000002");
    EXPECT_EQ(names[1].substr(0, 2), "S0");
    // Others going does not move the survivors of a collision.
    auto fewer = PictureNames({files[0], files[1], files[3]});
    EXPECT_EQ(fewer, (std::vector<std::string>{names[0], names[1], names[3]}));
}

}  // namespace
}  // namespace gphoto_tests
