#include "core/filenames.h"
#include <gtest/gtest.h>

TEST(FileNames, EveryByteSequenceComesBackUnchanged) {
    for (const QByteArray& bytes :
         {QByteArray("plain.jpg"), QByteArray("caf\xc3\xa9.jpg"), QByteArray("caf\xe9.jpg"),
          QByteArray("\xff\xfe"), QByteArray("\xc3"), QByteArray("a\xed\xa0\x80z"),
          QByteArray("\xf0\x9f\x98\x80\x80"), QByteArray("\xe0\x80\xaf")}) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(encodeFileName(decodeFileName(bytes)), bytes);
    }
    EXPECT_EQ(decodeFileName("caf\xc3\xa9"), QString::fromUtf8("café"));
    EXPECT_EQ(displayFileName(decodeFileName("\x80 caf\xe9")), QString::fromUtf8("€ café"));
}
