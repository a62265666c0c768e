// The card and its picture directory, byte for byte.
#include "../../imaging/SamplePictures.h"
#include "../../protocol/LinkProtocol.h"
#include "../../protocol/UsbBlocks.h"
#include "../CameraCard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace camera {
namespace {

using link::Get16;
using link::Get32;

Bytes Filled(size_t size, uint8_t value) { return Bytes(size, value); }

TEST(Directory, BlocksAndEntriesAreByteExact)
{
    CameraCard card;
    for (size_t size : {30000u, 5001u, 5000u}) card.AddPicture(Filled(size, 1), Filled(2000, 2));
    SharedBytes directory = card.Directory();
    ASSERT_EQ(directory->size(), 512u);
    ASSERT_EQ(card.DirectorySize(), 512u);
    const uint8_t* block = directory->data();
    EXPECT_EQ(Get16(block), 0);       // block number
    EXPECT_EQ(Get16(block + 2), 1);   // blocks
    EXPECT_EQ(Get16(block + 4), 3);   // pictures
    EXPECT_EQ(memcmp(block + 6, "CDIR", 4), 0);
    EXPECT_EQ(block[10], 3);
    EXPECT_EQ(block[11], 0);
    std::vector<PictureEntry> pictures = card.Pictures();
    const char* names[] = {"S0000001", "S0000002", "S0000003"};
    const uint32_t sizes[] = {30000, 5001, 5000};
    for (int i = 0; i < 3; ++i) {
        const uint8_t* entry = block + 12 + 20 * i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry), 8), names[i]);
        EXPECT_EQ(memcmp(entry + 8, "JPG\0", 4), 0);
        EXPECT_EQ(Get16(entry + 12), pictures[i].dosTime);
        EXPECT_EQ(Get16(entry + 14), pictures[i].dosDate);
        EXPECT_EQ(Get32(entry + 16), sizes[i]);
    }
    for (size_t i = 12 + 60; i < 512; ++i) ASSERT_EQ(block[i], 0) << "at " << i;
}

TEST(Directory, TwentySixPicturesTakeTwoBlocks)
{
    CameraCard card;
    for (int i = 0; i < 26; ++i) card.AddPicture(Filled(100 + i, 1), Filled(10, 2));
    SharedBytes directory = card.Directory();
    ASSERT_EQ(directory->size(), 1024u);
    EXPECT_EQ((*directory)[10], 25);
    const uint8_t* second = directory->data() + 512;
    EXPECT_EQ(Get16(second), 1);
    EXPECT_EQ(Get16(second + 2), 2);
    EXPECT_EQ(second[10], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(second + 12), 8), "S0000026");
    EXPECT_EQ(Get32(second + 12 + 16), 125u);
    EXPECT_EQ(second[12 + 20], 0);  // nothing after the last entry
}

TEST(Directory, AnEmptyCardHasOneEmptyBlock)
{
    CameraCard card;
    SharedBytes directory = card.Directory();
    ASSERT_EQ(directory->size(), 512u);
    EXPECT_EQ((*directory)[10], 0);
}

TEST(Directory, ABlockCanReportAnyEntryCount)
{
    CameraCard card;
    card.AddPicture(Filled(10, 1), Filled(10, 2));
    card.SetBlockEntryCount(0, 26);
    EXPECT_EQ((*card.Directory())[10], 26);
    card.SetBlockEntryCount(0, 300);
    EXPECT_EQ((*card.Directory())[10], 255);
    card.SetBlockEntryCount(0, -1);
    EXPECT_EQ((*card.Directory())[10], 1);
}

TEST(Card, DeletingEitherNameOfAPictureRemovesThePair)
{
    CameraCard card;
    card.AddPicture(Filled(10, 1), Filled(10, 2));
    card.AddPicture(Filled(20, 1), Filled(10, 2));
    card.PutFile("OTHER000TXT", Filled(5, 3));
    EXPECT_EQ(card.Delete("t0000001jpg"), kCameraOk);
    EXPECT_FALSE(card.File("S0000001JPG"));
    EXPECT_FALSE(card.File("T0000001JPG"));
    ASSERT_EQ(card.PictureCount(), 1u);
    EXPECT_EQ(card.Pictures()[0].name, "S0000002");
    EXPECT_EQ((*card.Directory())[10], 1);
    EXPECT_EQ(card.Delete("OTHER000TXT"), kCameraOk);
    EXPECT_EQ(card.Delete("OTHER000TXT"), kCameraFileNotFound);
    EXPECT_EQ(card.Delete("S0000001JPG"), kCameraFileNotFound);
    EXPECT_EQ(card.PictureCount(), 1u);
}

TEST(Card, NamesAreFoundInAnyCase)
{
    CameraCard card;
    card.PutFile("s0000001jpg", Filled(3, 9));
    ASSERT_TRUE(card.File("S0000001JPG"));
    EXPECT_EQ(card.FileNames(), std::vector<std::string>{"S0000001JPG"});
    char unterminated[12];
    memset(unterminated, 'S', sizeof unterminated);
    EXPECT_EQ(NameFromCommand(unterminated), "");
    char terminated[12] = "S0000001JPG";
    EXPECT_EQ(NameFromCommand(terminated), "S0000001JPG");
}

TEST(Card, CorruptionInvertsBytesWithinTheFile)
{
    CameraCard card;
    card.PutFile("A", Filled(10, 0x0F));
    SharedBytes before = card.File("A");
    ASSERT_TRUE(card.CorruptFile("A", 8, 5));  // clipped at the end
    SharedBytes after = card.File("A");
    EXPECT_EQ((*after)[7], 0x0F);
    EXPECT_EQ((*after)[8], 0xF0);
    EXPECT_EQ((*after)[9], 0xF0);
    EXPECT_EQ(after->size(), 10u);
    EXPECT_EQ((*before)[8], 0x0F);  // a read in progress keeps the old bytes
    EXPECT_FALSE(card.CorruptFile("B", 0, 1));
    ASSERT_TRUE(card.PatchFile("A", 12, {1, 2}));
    EXPECT_EQ(card.File("A")->size(), 14u);
    EXPECT_EQ((*card.File("A"))[13], 2);
}

TEST(Card, OnlyReadableJpegsBecomePictures)
{
    CameraCard card;
    EXPECT_EQ(card.AddPicture(Filled(5000, 0xFF)), "");
    EXPECT_EQ(card.PictureCount(), 0u);
    std::string name = card.AddPicture(MakeSamplePicture(4));
    EXPECT_EQ(name.size(), 8u);
    EXPECT_EQ(name[0], 'S');
    std::string thumbnailName = name;
    thumbnailName[0] = 'T';
    SharedBytes thumbnail = card.File(thumbnailName + "JPG");
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(thumbnail->data()), 8), name);  // the lead-in names it
}

TEST(Card, APicturesFolderGivesItsJpegsInNameOrder)
{
    const char* base = std::getenv("WINPLAT_TEST_SCRATCH");
    std::filesystem::path folder = std::filesystem::path(base ? base : "/tmp") / "card-folder";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    auto write = [&](const char* name, const Bytes& bytes) {
        std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                              static_cast<std::streamsize>(bytes.size()));
    };
    write("b.JPG", MakeSamplePicture(2));
    write("a.jpeg", MakeSamplePicture(1));
    write("broken.jpg", Filled(100, 0));
    write("notes.txt", Filled(100, 'x'));
    CameraCard card;
    std::vector<std::string> refused;
    EXPECT_EQ(card.AddPicturesFromFolder(folder.string(), &refused), 2);
    ASSERT_EQ(card.PictureCount(), 2u);
    EXPECT_EQ(card.Pictures()[0].size, MakeSamplePicture(1).size());  // a.jpeg before b.JPG
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].find("broken.jpg"), std::string::npos);
}

}  // namespace
}  // namespace camera
