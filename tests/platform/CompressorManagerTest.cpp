#include "platform/CompressorManager.h"

#include <gtest/gtest.h>
#include <set>

using namespace platform;

TEST(CompressorManager, EnumeratesInstalledVideoCompressorsOnly)
{
    std::set<FOURCC> seen;
    ICINFO info;
    std::uint32_t count = 0;
    while (ICInfo(ICTYPE_VIDEO, count, &info)) {
        EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
        EXPECT_NE(info.fccHandler, kFourCCUncompressed) << "the chooser adds uncompressed frames itself";
        EXPECT_FALSE(info.szDescription.empty());
        EXPECT_TRUE(seen.insert(info.fccHandler).second) << FourCCToString(info.fccHandler);
        EXPECT_NE(FindCompressor(info.fccHandler), nullptr);
        ++count;
    }
    // This machine's FFmpeg has at least these.
    for (const char* code : { "XVID", "MJPG", "FFV1", "H264" })
        EXPECT_TRUE(seen.contains(FourCCFromString(code))) << code;
    EXPECT_FALSE(ICInfo(MakeFourCC('a', 'u', 'd', 'c'), 0, &info));
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, count, &info));
}

TEST(CompressorManager, FlagsFollowTheEncodersAbilitiesAndQualityMapsOntoTheirScale)
{
    struct Case {
        const char* code;
        bool quality;
        bool temporal;
    };
    for (const Case c : { Case { "XVID", true, true }, Case { "H264", true, true },
             Case { "MJPG", true, false }, Case { "FFV1", false, false }, Case { "ZMBV", false, true } }) {
        HIC handle = ICOpen(ICTYPE_VIDEO, FourCCFromString(c.code), ICMODE_QUERY);
        ASSERT_NE(handle, nullptr) << c.code;
        ICINFO info;
        ASSERT_EQ(ICGetInfo(handle, &info, sizeof info), static_cast<LRESULT>(sizeof(ICINFO)));
        EXPECT_EQ((info.dwFlags & VIDCF_QUALITY) != 0, c.quality) << c.code;
        EXPECT_EQ((info.dwFlags & VIDCF_TEMPORAL) != 0, c.temporal) << c.code;
        std::uint32_t value = 0;
        EXPECT_EQ(ICSendMessage(handle, ICM_GETDEFAULTQUALITY, reinterpret_cast<std::uintptr_t>(&value), 0),
            ICERR_OK);
        EXPECT_EQ(value > 0, c.quality) << c.code;
        EXPECT_EQ(
            ICSendMessage(handle, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<std::uintptr_t>(&value), 0),
            ICERR_OK);
        EXPECT_EQ(value > 1, c.temporal) << c.code;
        EXPECT_EQ(ICClose(handle), ICERR_OK);
    }

    // Quality maps onto the encoder scale.
    const CompressorEntry* xvid = FindCompressor(FourCCFromString("XVID"));
    const CompressorEntry* h264 = FindCompressor(FourCCFromString("H264"));
    ASSERT_NE(xvid, nullptr);
    ASSERT_NE(h264, nullptr);
    struct Mapping {
        int quality;
        double qscale;
        double crf;
    };
    for (const Mapping c : { Mapping { 0, 31, 51 }, Mapping { 10000, 1, 0 }, Mapping { 5000, 16, 25.5 },
             Mapping { 7500, 9, 12.75 }, Mapping { -5, 31, 51 }, Mapping { 20000, 1, 0 } }) {
        EXPECT_DOUBLE_EQ(MapQuality(*xvid, c.quality), c.qscale) << c.quality;
        EXPECT_DOUBLE_EQ(MapQuality(*h264, c.quality), c.crf) << c.quality;
    }
    const CompressorEntry* raw = FindCompressor(kFourCCUncompressed);
    ASSERT_NE(raw, nullptr);
    EXPECT_STREQ(raw->encoder, "rawvideo");
    EXPECT_EQ(FindCompressor(FourCCFromString("IV50")), nullptr);
}

TEST(CompressorManager, CodesRoundTripAndOpenIgnoresCaseAndRefusesUnknownOnes)
{
    for (const char* text : { "XVID", "DIB ", "cvid", "H264" })
        EXPECT_EQ(FourCCToString(FourCCFromString(text)), text);
    EXPECT_EQ(FourCCFromString("DIB"), kFourCCUncompressed);
    EXPECT_EQ(MakeFourCC('X', 'V', 'I', 'D'), 0x44495658u);
    EXPECT_EQ(FourCCToString(0), "0x00000000");
    HIC handle = ICOpen(ICTYPE_VIDEO, FourCCFromString("xvid"), ICMODE_COMPRESS);
    ASSERT_NE(handle, nullptr);
    ICINFO info;
    ICGetInfo(handle, &info, sizeof info);
    EXPECT_EQ(FourCCToString(info.fccHandler), "XVID");
    ICClose(handle);
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, FourCCFromString("ABCD"), ICMODE_QUERY), nullptr);
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, FourCCFromString("XVID"), 99), nullptr);
    EXPECT_EQ(ICSendMessage(nullptr, ICM_COMPRESS_QUERY, 0, 0), ICERR_BADHANDLE);
    EXPECT_EQ(ICClose(nullptr), ICERR_BADHANDLE);
    EXPECT_EQ(ICGetInfo(nullptr, &info, sizeof info), 0);
}

TEST(CompressorManager, CompressQueryAcceptsRgbFramesAndGetFormatDescribesTheOutput)
{
    HIC handle = ICOpen(ICTYPE_VIDEO, FourCCFromString("MJPG"), ICMODE_QUERY);
    ASSERT_NE(handle, nullptr);
    BITMAPINFOHEADER in;
    in.biWidth = 400;
    in.biHeight = 400;
    in.biBitCount = 32;
    in.biSizeImage = 640000;
    struct Case {
        int bits;
        std::uint32_t compression;
        int width;
        LRESULT result;
    };
    for (const Case c : { Case { 32, BI_RGB, 400, ICERR_OK }, Case { 24, BI_RGB, 400, ICERR_OK },
             Case { 16, BI_RGB, 400, ICERR_BADFORMAT },
             Case { 32, FourCCFromString("YUY2"), 400, ICERR_BADFORMAT },
             Case { 32, BI_RGB, 0, ICERR_BADFORMAT } }) {
        BITMAPINFOHEADER query = in;
        query.biBitCount = static_cast<std::uint16_t>(c.bits);
        query.biCompression = c.compression;
        query.biWidth = c.width;
        EXPECT_EQ(
            ICSendMessage(handle, ICM_COMPRESS_QUERY, reinterpret_cast<std::uintptr_t>(&query), 0), c.result)
            << c.bits << " bits, width " << c.width;
    }
    EXPECT_EQ(ICSendMessage(handle, ICM_COMPRESS_GET_FORMAT, reinterpret_cast<std::uintptr_t>(&in), 0), 40);
    BITMAPINFOHEADER out;
    EXPECT_EQ(ICSendMessage(handle, ICM_COMPRESS_GET_FORMAT, reinterpret_cast<std::uintptr_t>(&in),
                  reinterpret_cast<std::uintptr_t>(&out)),
        ICERR_OK);
    EXPECT_EQ(out.biCompression, FourCCFromString("MJPG"));
    EXPECT_EQ(out.biWidth, 400);
    EXPECT_EQ(out.biHeight, 400);
    EXPECT_EQ(ICSendMessage(handle, ICM_ABOUT, ICQUERY, 0), ICERR_OK); // every encoder names itself
    EXPECT_EQ(ICSendMessage(handle, 0x4999, 0, 0), ICERR_UNSUPPORTED);
    ICClose(handle);
}
