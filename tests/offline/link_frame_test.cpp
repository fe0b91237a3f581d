// The downloader's frame as the program sends it and reads the reply: the check byte is taken with the length byte
// still holding the bare payload length, requests that are no frame are refused, and every field of a reply is
// read within what arrived.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Format.h"
#include "offline/LinkFrame.h"
#include "offline/LinkRequestText.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 3)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

}  // namespace

TEST(LinkFrame, RequestsGoOutWithRaisedLengthAndCheckByte) {
    struct Row {
        const char16_t* request;
        std::string frame;  // as it travels
    };
    const Row rows[] = {
        // The check byte A3 is A0 ^ 01 ^ 02 with the length byte still 0.
        {u"A0 01 02 00 00 00", "A0 01 02 00 00 01 A3"},
        {u"A00102000000", "A0 01 02 00 00 01 A3"},
        {u"A0\t04 01 00 00 01 03", "A0 04 01 00 00 02 03 A7"},
        // A project name "AB": its byte count, then its bytes, length byte n + 2.
        {u"A0 14 00 00 01 03 02 41 42", "A0 14 00 00 01 04 02 41 42 B7"},
        {u"a0 0b 01 00 00 04 00 01 c2 00", "A0 0B 01 00 00 05 00 01 C2 00 6D"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.request));
        std::vector<uint8_t> frame;
        ASSERT_EQ(EncodeLinkRequest(row.request, frame), LinkRequestError::None);
        EXPECT_EQ(frame, Bytes(row.frame));
    }
}

TEST(LinkFrame, FullPayloadMakesA64ByteFrame) {
    fw::Text request = u"A0 10 00 02 00 39";
    std::vector<uint8_t> header = {0xA0, 0x10, 0x00, 0x02, 0x00, 0x39};
    uint8_t check = 0;
    for (uint8_t b : header)
        check ^= b;
    for (int i = 0; i < 57; ++i) {
        request += fw::Format(u" %02X", (i * 7) & 0xFF);
        check ^= static_cast<uint8_t>(i * 7);
    }
    std::vector<uint8_t> frame;
    ASSERT_EQ(EncodeLinkRequest(request, frame), LinkRequestError::None);
    ASSERT_EQ(frame.size(), 64u);
    EXPECT_EQ(frame[5], 0x3A);
    EXPECT_EQ(frame[63], check);
}

// The frame is copied and its check byte folded a word at a time: every payload length, so every split into words
// and a tail, arrives whole.
TEST(LinkFrame, EveryPayloadLengthGetsTheXorOfItsBytes) {
    for (uint8_t payload = 0; payload <= 57; ++payload) {
        SCOPED_TRACE(payload);
        std::vector<uint8_t> request = {0xA0, 0x10, 0x00, 0x02, 0x00, payload};
        for (int i = 0; i < payload; ++i)
            request.push_back(static_cast<uint8_t>(0x31 * i + payload));
        uint8_t check = 0;
        for (uint8_t b : request)
            check ^= b;
        LinkFrameBuffer frame;
        ASSERT_EQ(EncodeLinkRequest(request, frame), LinkRequestError::None);
        ASSERT_EQ(frame.size, request.size() + 1);
        EXPECT_EQ(frame.bytes[frame.size - 1], check);
        EXPECT_EQ(frame.bytes[5], payload + 1);
        EXPECT_TRUE(std::equal(request.begin(), request.begin() + 5, frame.bytes.begin()));
        EXPECT_TRUE(std::equal(request.begin() + 6, request.end(), frame.bytes.begin() + 6));
    }
}

TEST(LinkFrame, MalformedRequestsAreRefused) {
    fw::Text tooLong = u"A0 10 00 02 00 3A";
    for (int i = 0; i < 58; ++i)
        tooLong += u" 00";
    struct Row {
        fw::Text request;
        LinkRequestError error;
    };
    const Row rows[] = {
        {u"A0 01 02 00 00 0", LinkRequestError::OddLength},
        {u"A0 01 02 00 00 0G", LinkRequestError::NotHex},
        {u"A0 01 02 00 00 00,", LinkRequestError::NotHex},
        {u"A0 01 02", LinkRequestError::TooShort},
        {u"", LinkRequestError::TooShort},
        {tooLong, LinkRequestError::TooLong},
        {u"A0 0E 00 00 00 20 00", LinkRequestError::LengthMismatch},
        {u"A0 01 02 00 00 01", LinkRequestError::LengthMismatch},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.request));
        std::vector<uint8_t> frame = {1, 2, 3};
        EXPECT_EQ(EncodeLinkRequest(row.request, frame), row.error);
        EXPECT_TRUE(frame.empty());
    }
}

TEST(LinkFrame, RequestsInBytesEncodeAsTheirTexts) {
    struct Row {
        std::vector<uint8_t> request;
        const char16_t* text;
    };
    std::vector<uint8_t> full = {0xA0, 0x10, 0x00, 0x02, 0x00, 0x39};
    fw::Text fullText = u"A0 10 00 02 00 39";
    for (int i = 0; i < 57; ++i) {
        full.push_back(static_cast<uint8_t>(i * 7));
        fullText += fw::Format(u" %02X", (i * 7) & 0xFF);
    }
    std::vector<uint8_t> tooLong = {0xA0, 0x10, 0x00, 0x02, 0x00, 0x3A};
    tooLong.resize(64);
    fw::Text tooLongText = u"A0 10 00 02 00 3A";
    for (int i = 0; i < 58; ++i)
        tooLongText += u" 00";
    const Row rows[] = {
        {{0xA0, 0x01, 0x02, 0x00, 0x00, 0x00}, u"A0 01 02 00 00 00"},
        {{0xA0, 0x14, 0x00, 0x00, 0x01, 0x03, 0x02, 0x41, 0x42}, u"A0 14 00 00 01 03 02 41 42"},
        {full, fullText.c_str()},
        {{0xA0, 0x01, 0x02}, u"A0 01 02"},
        {{}, u""},
        {tooLong, tooLongText.c_str()},
        {{0xA0, 0x0E, 0x00, 0x00, 0x00, 0x20, 0x00}, u"A0 0E 00 00 00 20 00"},
        {{0xA0, 0x01, 0x02, 0x00, 0x00, 0x01}, u"A0 01 02 00 00 01"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.text));
        std::vector<uint8_t> fromText;
        const LinkRequestError textError = EncodeLinkRequest(row.text, fromText);
        LinkFrameBuffer fromBytes;
        fromBytes.size = 5;
        EXPECT_EQ(EncodeLinkRequest(row.request, fromBytes), textError);
        EXPECT_TRUE(std::ranges::equal(fromBytes.View(), fromText));
    }
}

TEST(LinkFrame, RequestsBuiltInBytesReadAsTheRequestTexts) {
    struct Row {
        uint8_t command, p1, p2, p3;
        std::vector<uint8_t> payload;
        const char16_t* text;
    };
    const Row rows[] = {
        {0x16, 0, 0, 0, {}, u"A0 16 00 00 00 00"},
        {0x10, 0xFF, 1, 0, {4, 0x44, 0x65, 0x6D, 0x6F}, u"A0 10 FF 01 00 050444656D6F"},
        {0x14, 0, 0, 2, {0xAB}, u"A0 14 00 00 02 01AB"},
    };
    std::vector<uint8_t> request = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.text));
        EXPECT_EQ(LinkRequestText(row.command, row.p1, row.p2, row.p3, row.payload), row.text);
        BuildLinkRequest(row.command, row.p1, row.p2, row.p3, row.payload, request);
        EXPECT_EQ(LinkRequestText(request), row.text);
    }
}

TEST(LinkFrame, ReplyPayloadIsClampedToWhatArrived) {
    struct Row {
        const char* name;
        std::vector<uint8_t> received;
        size_t payload;
        uint8_t status;
    };
    const Row rows[] = {
        {"whole", {0xA0, 0x02, 0, 0, 0, 4, 1, 2, 3, 0x55}, 3, 0},
        {"length byte beyond the report", {0xA0, 0x02, 0, 0, 0, 0x11, 1, 2, 3}, 3, 0},
        {"length byte 0", {0xA0, 0x02, 0, 0, 7, 0, 1, 2}, 0, 7},
        {"header only", {0xA0, 0x02, 0, 0, 9, 1}, 0, 9},
        {"shorter than the header", {0xA0, 0x02, 0}, 0, 0},
        {"nothing", {}, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LinkReply reply(row.received);
        EXPECT_EQ(reply.Payload().size(), row.payload);
        EXPECT_EQ(reply.Status(), row.status);
        EXPECT_EQ(reply.HasHeader(), row.received.size() >= 6);
        EXPECT_EQ(reply.Byte(200), 0);
    }
    std::vector<uint8_t> big(300, 0x11);
    EXPECT_EQ(LinkReply(big).Size(), 256u);
}

TEST(LinkFrame, PayloadNumbersAndTexts) {
    const LinkReply reply(std::vector<uint8_t>{0xA0, 0x18, 0, 0, 0, 7, 0x00, 0x00, 0x01, 0x02, 0xFF, 0xEE});
    EXPECT_EQ(reply.PayloadBe32(0), 0x00000102u);
    // Bytes beyond the payload read as 0, never as what lies after it in the buffer.
    EXPECT_EQ(reply.PayloadBe32(4), 0xFFEE0000u);

    const std::vector<uint8_t> text = {'V', '1', '.', '0', 0, 'x'};
    EXPECT_EQ(LinkPayloadText(text), u"V1.0");
    EXPECT_EQ(LinkPayloadText(std::vector<uint8_t>{'O', 'K'}), u"OK");
}

// A record read asks with p1 = 0 and its pieces come back with p2 = 0, or 3 on the last. The record write (p1 = 1)
// numbers its phases 1 to 4 in p2, so only p1 tells its replies from the read's: a late one is passed over.
TEST(LinkFrame, ARecordReadIsAnsweredByItsOwnPiecesOnly) {
    const std::vector<uint8_t> read = Bytes("A0 15 00 00 00 04 02 41 42 56");
    struct Row {
        uint8_t p1, p2;
        bool answers;
    };
    const Row rows[] = {{0, 0, true}, {0, 3, true}, {1, 1, false}, {1, 2, false}, {1, 3, false}, {1, 4, false}};
    for (const Row& row : rows) {
        const std::vector<uint8_t> received = {0xA0, 0x15, row.p1, row.p2, 0, 2, 0x11, 0x00};
        EXPECT_EQ(LinkReplyAnswers(LinkReply(received), read), row.answers) << int{row.p1} << " " << int{row.p2};
    }
}
