// Parsing of listings and PWD replies, and the local file name check.
#include "ftp/FtpListing.h"

#include <gtest/gtest.h>

TEST(FtpListing, MlsdEntries)
{
    auto file = ParseMlsdLine("type=file;size=156;perm=r;modify=20071029155301; my file.nc\r\n");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, "my file.nc");
    EXPECT_FALSE(file->isDirectory);

    auto dir = ParseMlsdLine("Type=DIR;modify=20071127230206; dac");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->name, "dac");
    EXPECT_TRUE(dir->isDirectory);

    auto link = ParseMlsdLine("type=OS.unix=slink:/pub/argo/dac;size=3; latest");
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->isDirectory);
    EXPECT_EQ(link->name, "latest");

    EXPECT_FALSE(ParseMlsdLine("type=cdir;perm=el; /pub/argo")); // the directory itself
    auto parent = ParseMlsdLine("type=pdir;perm=el; ..");
    ASSERT_TRUE(parent);
    EXPECT_TRUE(parent->isDirectory);
    EXPECT_FALSE(ParseMlsdLine("type=OS.unix=chr-13/29; tty"));
    EXPECT_FALSE(ParseMlsdLine("garbage"));
    EXPECT_FALSE(ParseMlsdLine(""));
}

TEST(FtpListing, UnixListEntries)
{
    auto file = ParseListLine("-rw-r--r--   1 ftp      ftp        20792 Dec  8 02:17 D5900446_001.nc\r");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, "D5900446_001.nc");
    EXPECT_FALSE(file->isDirectory);

    // Without a group column, with a year, and a name holding blanks.
    auto dir = ParseListLine("drwxr-xr-x 2 owner 4096 Jan 01  2024 my folder");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->name, "my folder");
    EXPECT_TRUE(dir->isDirectory);

    // A link is a folder under its own name.
    auto link = ParseListLine("lrwxrwxrwx   1 ftp ftp 1 Dec  8 02:29 link -> d");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->name, "link");
    EXPECT_TRUE(link->isDirectory);

    EXPECT_FALSE(ParseListLine("total 76"));
    EXPECT_FALSE(ParseListLine("crw-rw-rw-   1 root root 1, 3 Dec  8 02:29 null"));
    EXPECT_FALSE(ParseListLine("-rw-r--r-- 1 ftp ftp 4 Dec  8 02:17")); // no name
}

TEST(FtpListing, DosListEntries)
{
    auto dir = ParseListLine("12-08-26  10:00AM       <DIR>          dac");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->name, "dac");
    EXPECT_TRUE(dir->isDirectory);
    auto file = ParseListLine("12-08-26  10:00AM                20792 a b.nc");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, "a b.nc");
    EXPECT_FALSE(file->isDirectory);
}

TEST(FtpListing, WholeListingKeepsServerOrder)
{
    auto entries = ParseListing("type=file; b.nc\r\ntype=cdir; .\r\ntype=dir; a\r\n\r\ntype=file; a.nc", true);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "b.nc");
    EXPECT_EQ(entries[1].name, "a");
    EXPECT_EQ(entries[2].name, "a.nc");
}

TEST(FtpListing, PwdReply)
{
    EXPECT_EQ(ParsePwdReply("257 \"/pub/argo\" is the current directory.\r\n").value_or(""), "/pub/argo");
    EXPECT_EQ(ParsePwdReply("257 \"/odd \"\"name\"\"\" here").value_or(""), "/odd \"name\"");
    EXPECT_FALSE(ParsePwdReply("250 \"/pub\""));
    EXPECT_FALSE(ParsePwdReply("257 \"/unterminated"));
    EXPECT_FALSE(ParsePwdReply("257 no quotes"));
}

TEST(FtpListing, LocalFileNames)
{
    EXPECT_TRUE(IsSafeLocalFileName("D5900446_001.nc"));
    EXPECT_TRUE(IsSafeLocalFileName("caf\xC3\xA9.nc"));
    EXPECT_TRUE(IsSafeLocalFileName("..a.nc"));
    for (const char* bad : {"", ".", "..", "../evil.nc", "a/b.nc", "/tmp/x.nc", "..\\evil.nc", "tab\t.nc", "del\x7F.nc",
                            "bad\xFF.nc", "\xC0\xAE.nc"})
        EXPECT_FALSE(IsSafeLocalFileName(bad)) << bad;
    EXPECT_FALSE(IsSafeLocalFileName(std::string_view("nul\0.nc", 7)));

    EXPECT_TRUE(IsSafeCommandArgument("my folder"));
    EXPECT_FALSE(IsSafeCommandArgument("d\r\nDELE a.nc"));
    EXPECT_FALSE(IsSafeCommandArgument(""));
}
