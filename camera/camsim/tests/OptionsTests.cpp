// camsim's command line.
#include "../CamsimOptions.h"

#include <gtest/gtest.h>

namespace camera {
namespace {

bool Parse(std::vector<std::string> args, CamsimOptions* options, std::string* error)
{
    return ParseCamsimOptions(args, options, error);
}

TEST(CamsimOptions, SpeedsAreBitsPerSecond)
{
    uint64_t speed = 1;
    EXPECT_TRUE(ParseSpeed("12M", &speed));
    EXPECT_EQ(speed, 12000000u);
    EXPECT_TRUE(ParseSpeed("1.5M", &speed));
    EXPECT_EQ(speed, 1500000u);
    EXPECT_TRUE(ParseSpeed("800k", &speed));
    EXPECT_EQ(speed, 800000u);
    EXPECT_TRUE(ParseSpeed("9600", &speed));
    EXPECT_EQ(speed, 9600u);
    EXPECT_TRUE(ParseSpeed("unlimited", &speed));
    EXPECT_EQ(speed, 0u);
    for (const char* bad : {"fast", "-5M", "12X", "", "0.1", "nanM"}) EXPECT_FALSE(ParseSpeed(bad, &speed)) << bad;
}

TEST(CamsimOptions, EveryOptionLandsInItsField)
{
    CamsimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--pictures", "30", "--description", "Pardex", "--product", "P-1", "--version", "0x00FFFFFF",
                       "--speed", "12M", "--fault", "get-reply:1@2=hang", "--fault", "any@+3=unplug",
                       "--entry-count", "0=26", "--corrupt", "T0000002JPG:948:4", "--log"},
                      &options, &error))
        << error;
    EXPECT_EQ(options.pictures, 30);
    EXPECT_EQ(options.settings.description, "Pardex");
    EXPECT_EQ(options.settings.product, "P-1");
    EXPECT_EQ(options.settings.version, 0x00FFFFFFu);
    EXPECT_EQ(options.settings.linkBitsPerSecond, 12000000u);
    ASSERT_EQ(options.faults.size(), 2u);
    EXPECT_EQ(FormatFaultRule(options.faults[1]), "any@+3=unplug");
    ASSERT_EQ(options.entryCounts.size(), 1u);
    EXPECT_EQ(options.entryCounts[0], std::make_pair(0, 26));
    ASSERT_EQ(options.corruptions.size(), 1u);
    EXPECT_EQ(options.corruptions[0].name, "T0000002JPG");
    EXPECT_EQ(options.corruptions[0].offset, 948u);
    EXPECT_EQ(options.corruptions[0].length, 4u);
    EXPECT_TRUE(options.log);
    EXPECT_FALSE(options.help);
}

TEST(CamsimOptions, MistakesAreNamed)
{
    const std::vector<std::vector<std::string>> mistakes = {
        {"--pictures"}, {"--pictures", "many"}, {"--colour", "red"}, {"stray"}, {"--fault", "get-reply=explode"},
        {"--entry-count", "0"}, {"--entry-count", "0=256"}, {"--corrupt", "NAME:1"}, {"--speed", "warp"},
        {"--version", "-1"}};
    for (const auto& args : mistakes) {
        CamsimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, &options, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CamsimOptions, HelpDocumentsTheFaultSyntax)
{
    CamsimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--help"}, &options, &error));
    EXPECT_TRUE(options.help);
    std::string help = CamsimHelp();
    for (const char* word : {"STEP[:OPCODE][@WHEN]=ACTION[:ARG]", "status-read", "delay:MS", "fail:E", "--speed"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace camera
