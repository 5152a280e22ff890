#include "common/avi_chunks.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Golden bytes from pieces of a field table, with n zero bytes where a table
// would list a run of reserved fields.
Bytes Join(std::initializer_list<Bytes> pieces) {
  Bytes all;
  for (const Bytes& p : pieces) all.insert(all.end(), p.begin(), p.end());
  return all;
}
Bytes Zeros(size_t n) {
  return Bytes(n, 0);
}

struct ChunkCase {
  const char* label;
  std::function<void(ByteWriter&)> build;
  Bytes golden;
};

TEST(AviChunks, FieldsMatchTheirTables) {
  const AviSuperIndexEntry part{0x0000000123456789u, 0x48, 30};
  const ChunkCase cases[] = {
      {"ix## ids count the stream in two digits",
       [](ByteWriter& b) {
         b.Tag(AviIndexChunkId(0));
         b.Tag(AviIndexChunkId(7));
         b.Tag(AviIndexChunkId(42));
       },
       {'i', 'x', '0', '0', 'i', 'x', '0', '7', 'i', 'x', '4', '2'}},
      {"idx1 with a sound and a frame entry",
       [](ByteWriter& b) {
         AviPutIdx1Head(b, 2);
         AviPutIdx1Entry(b, FourCC("01wb"), 1, 4, 0x65);
         AviPutIdx1Entry(b, FourCC("00db"), 0x10, 0x72, 0x0C);
       },
       {
           'i',  'd', 'x', '1', 0x20, 0, 0, 0,  // id, size: 2 entries of 16 bytes
           '0',  '1', 'w', 'b',                 // ckid
           0x01, 0,   0,   0,                   // dwFlags
           0x04, 0,   0,   0,                   // dwChunkOffset
           0x65, 0,   0,   0,                   // dwChunkLength
           '0',  '0', 'd', 'b',                 // ckid
           0x10, 0,   0,   0,                   // dwFlags: AVIIF_KEYFRAME
           0x72, 0,   0,   0,                   // dwChunkOffset
           0x0C, 0,   0,   0,                   // dwChunkLength
       }},
      {"ix01 with a key frame and a delta frame",
       [](ByteWriter& b) {
         AviPutStandardIndexHead(b, FourCC("ix01"), FourCC("01dc"), 2, 0x0000000280000010u);
         AviPutStandardIndexEntry(b, 0x10, 0x7FFFFFFF, true);
         AviPutStandardIndexEntry(b, 0x20, 5, false);
       },
       {
           'i',  'x',  '0',  '1',  0x28, 0, 0, 0,  // id, size: 24 + 2 entries of 8 bytes
           0x02, 0x00,                             // wLongsPerEntry
           0x00,                                   // bIndexSubType
           0x01,                                   // bIndexType: AVI_INDEX_OF_CHUNKS
           0x02, 0,    0,    0,                    // nEntriesInUse
           '0',  '1',  'd',  'c',                  // dwChunkId
           0x10, 0,    0,    0x80, 0x02, 0, 0, 0,  // qwBaseOffset
           0,    0,    0,    0,                    // dwReserved
           0x10, 0,    0,    0,                    // dwOffset
           0xFF, 0xFF, 0xFF, 0x7F,                 // dwSize, high bit clear: key frame
           0x20, 0,    0,    0,                    // dwOffset
           0x05, 0,    0,    0x80,                 // dwSize, high bit set: not a key frame
       }},
      {"indx with one part in three slots",
       [&](ByteWriter& b) { AviPutSuperIndex(b, FourCC("00db"), {part}, 3); },
       Join({{
                 'i',  'n',  'd',  'x',  0x48, 0, 0, 0,  // id, size: 24 + 3 slots of 16 bytes
                 0x04, 0x00,                             // wLongsPerEntry
                 0x00,                                   // bIndexSubType
                 0x00,                                   // bIndexType: AVI_INDEX_OF_INDEXES
                 0x01, 0,    0,    0,                    // nEntriesInUse
                 '0',  '0',  'd',  'b',                  // dwChunkId
                 0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0,  // dwReserved[3]
                 0x89, 0x67, 0x45, 0x23, 0x01, 0, 0, 0,              // qwOffset
                 0x48, 0,    0,    0,                                // dwSize
                 0x1E, 0,    0,    0,                                // dwDuration
             },
             Zeros(2 * 16)})},  // two empty slots
      {"odml list", [](ByteWriter& b) { AviPutOdmlList(b, 0x12345); },
       Join({{
                 'L',  'I',  'S',  'T', 0x04, 0x01, 0, 0,  // size 260: "odml" and the dmlh chunk
                 'o',  'd',  'm',  'l',                    //
                 'd',  'm',  'l',  'h', 0xF8, 0,    0, 0,  // size 248
                 0x45, 0x23, 0x01, 0,                      // dwTotalFrames
             },
             Zeros(244)})},  // dwFuture[61]
      {"strn of an odd length gets its pad byte",
       [](ByteWriter& b) {
         AviPutStreamName(b, "ab");
         AviPutStreamName(b, "abc");
       },
       {
           's', 't', 'r', 'n', 0x03, 0, 0, 0, 'a', 'b', 0,   0,  // size 3, name, NUL, pad
           's', 't', 'r', 'n', 0x04, 0, 0, 0, 'a', 'b', 'c', 0,  // size 4, name, NUL
       }},
  };
  for (const ChunkCase& c : cases) {
    SCOPED_TRACE(c.label);
    ByteWriter b;
    c.build(b);
    EXPECT_EQ(b.bytes(), c.golden);
  }
}

TEST(AviChunks, BlockWriterSendsFullBlocksInOrderAndStopsAfterAFailure) {
  // 5000 idx1 entries: 80,008 bytes, more than one 64 KiB block.
  ByteWriter whole;
  std::vector<size_t> sizes;
  Bytes sent;
  AviBlockWriter out([&](const uint8_t* data, size_t n) {
    sizes.push_back(n);
    sent.insert(sent.end(), data, data + n);
    return true;
  });
  AviPutIdx1Head(whole, 5000);
  AviPutIdx1Head(out.bytes(), 5000);
  for (uint32_t i = 0; i < 5000; ++i) {
    AviPutIdx1Entry(whole, FourCC("00db"), 0x10, 4 + 20 * i, 12);
    AviPutIdx1Entry(out.bytes(), FourCC("00db"), 0x10, 4 + 20 * i, 12);
    EXPECT_TRUE(out.Spill());
  }
  EXPECT_EQ(sizes, std::vector<size_t>{65544}) << "the head and 4096 entries fill the first block";
  EXPECT_TRUE(out.Flush());
  EXPECT_EQ(sizes, (std::vector<size_t>{65544, 14464}));
  EXPECT_EQ(sent, whole.bytes());
  EXPECT_TRUE(out.Flush()) << "nothing left: nothing sent";
  EXPECT_EQ(sizes.size(), 2u);

  int calls = 0;
  AviBlockWriter failing([&](const uint8_t*, size_t) {
    ++calls;
    return false;
  });
  failing.bytes().Zeros(70000);
  EXPECT_FALSE(failing.Spill());
  failing.bytes().Zeros(70000);
  EXPECT_FALSE(failing.Spill());
  EXPECT_FALSE(failing.Flush());
  EXPECT_EQ(calls, 1) << "a failed block is the last one sent";
}

}  // namespace
