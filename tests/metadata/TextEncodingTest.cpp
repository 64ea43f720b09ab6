#include "metadata/TextEncoding.h"

#include <gtest/gtest.h>

using namespace lumicap;

TEST(DisplayText, showsUtf8AsUtf8AndEverythingElseAsWindows1252)
{
    EXPECT_EQ(displayText("caf\xC3\xA9"), QString::fromUtf8("café"));
    EXPECT_EQ(displayText("caf\xE9"), QString::fromUtf8("café"));
    EXPECT_EQ(displayText("\x80 \x93quoted\x94"), QString::fromUtf8("€ “quoted”"));
    EXPECT_EQ(displayText("\x81\x8D"), QString(QChar(0x81)) + QChar(0x8D));
    EXPECT_EQ(displayText(""), QString());
}

TEST(StoredBytes, keepsTheOriginalBytesOfAnUntouchedField)
{
    const QByteArray windows("Fran\xE7ois \x80", 10);
    EXPECT_EQ(storedBytes(displayText(windows), windows), windows);
    const QByteArray anyBytes("\x01\x7F\xFE\xFF\xC0\xAF", 6);
    EXPECT_EQ(storedBytes(displayText(anyBytes), anyBytes), anyBytes);
    const QByteArray withBom("\xEF\xBB\xBFtext", 7);
    EXPECT_EQ(storedBytes(displayText(withBom), withBom), withBom);
}

TEST(StoredBytes, encodesEditedTextAsUtf8)
{
    EXPECT_EQ(storedBytes(QString::fromUtf8("François €"), "Fran\xE7ois"), QByteArray("François €"));
    EXPECT_EQ(storedBytes(QString(), "old"), QByteArray());
}

TEST(FromCodePage, readsTheTwoWindowsCodePagesListsComeIn)
{
    // The same bytes are different letters in each; ASCII is ASCII in both.
    EXPECT_EQ(fromCodePage("Caf\xE9 \x80\x81", CodePage::Windows1252), QString::fromUtf8("Café €\xC2\x81"));
    EXPECT_EQ(fromCodePage("Caf\xE9 \x80\x81", CodePage::Oem850), QString::fromUtf8("CafÚ Çü"));
    EXPECT_EQ(fromCodePage("\x82\x84\x94\xA4\xE1\xB0\xFF", CodePage::Oem850), QString::fromUtf8("éäöñß░\xC2\xA0"));
}

TEST(Utf8FromList, keepsUtf8AndWritesWindows1252AsUtf8)
{
    EXPECT_EQ(utf8FromList("Cr\xC3\xA8me"), QByteArray("Cr\xC3\xA8me"));
    EXPECT_EQ(utf8FromList("\xEF\xBB\xBFok"), QByteArray("\xEF\xBB\xBFok"));
    EXPECT_EQ(utf8FromList("Cr\xE8me \x93quoted\x94"), QByteArray("Crème “quoted”"));
    EXPECT_EQ(utf8FromList("\xC3"), QByteArray("Ã")); // a cut UTF-8 sequence is not UTF-8
}
