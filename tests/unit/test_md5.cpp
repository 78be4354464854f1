#include <gtest/gtest.h>

#include <string>

#include "scores/MD5.h"

TEST(MD5, ReferenceVectors) {
    EXPECT_EQ(MD5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(MD5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(MD5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(MD5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(MD5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(MD5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(MD5Hex("1234567890123456789012345678901234567890"
                     "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// Lengths around the padding edges: 55 still fits the length in the last block, 56 needs
// a second one, 64 is a whole block with a block of padding after it. Sums from md5sum.
TEST(MD5, PaddingBoundaries) {
    std::string source;
    while (source.size() < 200) source += "The quick brown fox jumps over the lazy dog";
    const struct { size_t length; const char* digest; } cases[] = {
        {55, "8d9ffee00bdaf789a9d1e7e2df4beae9"},  {56, "7f2fb8b7438a0f593d232e82922ddd5e"},
        {57, "7d0da8e2740fc1da9a048acd5e656bba"},  {63, "455d9f5f285d0eebe41c8788d89b7a20"},
        {64, "ab270277110b49c135eddba8c3da8a12"},  {65, "8136b312bcf58f2517cedb9ea8c9e577"},
        {119, "79bc8bff1d6152783837187e06eb1d73"}, {120, "09ad3a7bcf1132e60d663b66f453a5cf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MD5Hex(source.substr(0, c.length)), c.digest) << "length " << c.length;
    }
}

// Bytes above 127 and NUL are hashed as the bytes they are (no sign extension, no C-string cut).
TEST(MD5, HighAndNulBytes) {
    EXPECT_EQ(MD5Hex(std::string("\x00\xff\x80" "abc\xe9", 7)), "fe27cdd9af0aa887908bcfa772274505");
}
