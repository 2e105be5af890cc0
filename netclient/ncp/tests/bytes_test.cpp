// The bounds-checked reader and writer.
#include <gtest/gtest.h>

#include "ncp/bytes.h"

namespace nw::ncp {
namespace {

TEST(NcpBytes, ReadsBothByteOrdersAndEveryWidth) {
    const Bytes b{1, 2, 3, 4, 5, 6, 7, 8};
    Reader r(b);
    EXPECT_EQ(r.be16(), 0x0102);
    EXPECT_EQ(r.le16(), 0x0403);
    EXPECT_EQ(r.be32(), 0x05060708u);
    EXPECT_TRUE(r.ok());
    Reader r48(b);
    EXPECT_EQ(r48.le48(), 0x060504030201u);
    EXPECT_EQ(r48.be16(), 0x0708);
    Reader r64(b);
    EXPECT_EQ(r64.le64(), 0x0807060504030201u);
    EXPECT_TRUE(r64.atEnd());
}

TEST(NcpBytes, AReadPastTheEndFailsOnceAndForAllWithZeros) {
    const Bytes b{1, 2, 3};
    Reader r(b);
    EXPECT_EQ(r.be32(), 0u);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0);  // stays failed: no later read succeeds by accident
    EXPECT_TRUE(r.take(1).empty());
    EXPECT_EQ(r.remaining(), 0u);
    const Bytes claimsFive{5, 'a', 'b'};
    Reader p(claimsFive);
    EXPECT_EQ(p.pstring(), "");
    EXPECT_FALSE(p.ok());
}

TEST(NcpBytes, TextFieldsCutAtTheirNulAndRefuseWhatDoesNotFit) {
    Bytes out;
    Writer w(out);
    w.fixedText("FS1", 6);
    w.pstring("SYS");
    EXPECT_TRUE(w.ok());
    EXPECT_EQ(out, (Bytes{'F', 'S', '1', 0, 0, 0, 3, 'S', 'Y', 'S'}));
    Reader r(out);
    EXPECT_EQ(r.fixedText(6), "FS1");
    EXPECT_EQ(r.pstring(), "SYS");

    Bytes big;
    Writer w2(big);
    w2.fixedText("SEVEN77", 6);
    EXPECT_FALSE(w2.ok());
    Bytes big2;
    Writer w3(big2);
    w3.pstring(std::string(256, 'x'));
    EXPECT_FALSE(w3.ok());
    Bytes big3;
    Writer w4(big3);
    w4.cstring(std::string("a\0b", 3));
    EXPECT_FALSE(w4.ok());
    const Bytes ab{'a', 'b'};
    Reader noNul(ab);
    noNul.cstring();
    EXPECT_FALSE(noNul.ok());
}

TEST(NcpBytes, NdsStringsAreUtf16WithNulAndPadding) {
    Bytes out;
    Writer w(out);
    w.ndsString("Höst");  // 4 characters + NUL = 10 bytes, padded to 12
    w.u8(0xEE);
    ASSERT_TRUE(w.ok());
    EXPECT_EQ(out.size(), 4 + 12 + 1u);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[4], 'H');
    EXPECT_EQ(out[6], 0xF6);
    EXPECT_EQ(out[12], 0);
    EXPECT_EQ(out[13], 0);
    Reader r(out);
    EXPECT_EQ(r.ndsString(), "Höst");
    EXPECT_EQ(r.u8(), 0xEE);

    Bytes emoji;
    Writer we(emoji);
    we.ndsString("\xF0\x9F\x98\x80");  // a surrogate pair
    Reader re(emoji);
    EXPECT_EQ(re.ndsString(), "\xF0\x9F\x98\x80");
}

TEST(NcpBytes, MalformedNdsStringsFail) {
    // odd count, missing NUL, lone surrogate, count past the end
    for (const Bytes& b : {Bytes{3, 0, 0, 0, 'a', 0, 0, 0}, Bytes{2, 0, 0, 0, 'a', 0, 0, 0},
                           Bytes{4, 0, 0, 0, 0x00, 0xD8, 0, 0}, Bytes{0xFF, 0xFF, 0, 0, 0, 0}}) {
        Reader r(b);
        r.ndsString();
        EXPECT_FALSE(r.ok());
    }
    Bytes out;
    Writer w(out);
    w.ndsString("\xC3");  // cut UTF-8
    EXPECT_FALSE(w.ok());
}

TEST(NcpBytes, PatchesRewriteLengthWordsInPlace) {
    Bytes out;
    Writer w(out);
    w.be32(0);
    w.be16(0);
    w.patchBe32(0, 0x01020304);
    w.patchBe16(4, 0x0506);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 5, 6}));
    w.patchBe32(4, 1);  // beyond what was written
    EXPECT_FALSE(w.ok());
}

}  // namespace
}  // namespace nw::ncp
