// The edit list under paste, copy and cut: where pieces split and join, and a
// randomised run checked sample by sample against a plain vector.
#include <gtest/gtest.h>

#include <random>

#include "platform/avi/avi_stream.h"
#include "platform/avi/avi_testing.h"

namespace {

using namespace avitest;

AviStreamRef Editable(const AviStreamRef& source) {
  AviStreamRef e;
  EXPECT_EQ(CreateEditableStream(source, e), AVIERR_OK);
  return e;
}

struct Step {
  char kind;  // 'a' / 'b': paste from source a or b; 'c': cut
  int64_t pos;
  int64_t from;  // in the source (pastes only)
  int64_t length;
};

struct EditCase {
  const char* rule;
  std::vector<Step> steps;  // applied to an editable copy of frames 0..5 of a
  std::vector<int> tags;
  size_t pieces;
};

TEST(EditList, PiecesSplitAndJoinWhereTheEditsMeet) {
  // a: frames tagged 0..9; b: frames tagged 100..104.
  const std::vector<EditCase> cases = {
      {"paste at the front", {{'b', 0, 0, 2}}, {100, 101, 0, 1, 2, 3, 4, 5}, 2},
      {"paste in the middle splits the piece", {{'b', 3, 4, 1}}, {0, 1, 2, 104, 3, 4, 5}, 3},
      {"paste at the end", {{'b', 6, 1, 1}}, {0, 1, 2, 3, 4, 5, 101}, 2},
      {"paste continuing the last piece joins it",
       {{'a', 6, 6, 3}},
       {0, 1, 2, 3, 4, 5, 6, 7, 8},
       1},
      {"paste filling a gap joins both neighbours",
       {{'c', 2, 0, 2}, {'a', 2, 2, 2}},
       {0, 1, 2, 3, 4, 5},
       1},
      {"paste that continues neither neighbour",
       {{'c', 2, 0, 2}, {'a', 2, 7, 1}},
       {0, 1, 7, 4, 5},
       3},
      {"cut across three pieces", {{'b', 2, 0, 1}, {'b', 5, 1, 1}, {'c', 1, 0, 5}}, {0, 4, 5}, 2},
      {"cut taking out a whole pasted piece rejoins the halves",
       {{'b', 3, 0, 2}, {'c', 3, 0, 2}},
       {0, 1, 2, 3, 4, 5},
       1},
      {"cut of the first and last samples", {{'c', 0, 0, 1}, {'c', 4, 0, 1}}, {1, 2, 3, 4}, 1},
      {"backward pastes stay apart",
       {{'c', 0, 0, 6}, {'a', 0, 0, 1}, {'a', 0, 1, 1}, {'a', 0, 2, 1}},
       {2, 1, 0},
       3},
  };
  AviStreamRef a = MadeVideo(2, 1, 10, 0), b = MadeVideo(2, 1, 5, 100);
  for (const EditCase& c : cases) {
    AviStreamRef e = Editable(a);
    int64_t start = 6, length = -1;
    AviStreamRef rest;
    ASSERT_EQ(EditStreamCut(e, &start, &length, rest), AVIERR_OK) << c.rule;
    for (const Step& s : c.steps) {
      int64_t pos = s.pos, length2 = s.length;
      AviStreamRef out;
      if (s.kind == 'c') {
        ASSERT_EQ(EditStreamCut(e, &pos, &length2, out), AVIERR_OK) << c.rule;
      } else {
        ASSERT_EQ(EditStreamPaste(e, &pos, &length2, s.kind == 'a' ? a : b, s.from, s.length),
                  AVIERR_OK)
            << c.rule;
      }
    }
    EXPECT_EQ(FrameTags(*e, 2, 1), c.tags) << c.rule;
    EXPECT_EQ(EditStreamPieceCount(e), c.pieces) << c.rule;
  }
}

// A video stream of count frames tagged first.. with key frames every keyEvery.
AviStreamRef DeltaVideo(int count, int keyEvery, int first) {
  AviStreamRef s;
  std::vector<uint8_t> format = Bitmap24Format(2, 1);
  AviMakeStream(VideoInfo(15, 1, 2, 1), format.data(), format.size(), s);
  for (int i = 0; i < count; ++i) {
    std::vector<uint8_t> pixels = Frame24(2, 1, first + i);
    s->Write(i, pixels.data(), static_cast<uint32_t>(pixels.size()),
             i % keyEvery == 0 ? AVIIF_KEYFRAME : 0);
  }
  return s;
}

TEST(EditList, EachSampleNamesItsSourceAndWhetherItStillFollowsItsPredecessor) {
  // a: tags 0..9, key frames 0 and 5; b: tags 100..103, key frame 0 only.
  // Each case pastes (source, from, length) runs one after the other.
  struct Run {
    char source;
    int64_t from, length;
  };
  struct Case {
    const char* rule;
    std::vector<Run> runs;
    bool follows;
  } cases[] = {
      {"the whole movie", {{'a', 0, 10}}, true},
      {"a range from a key frame", {{'a', 5, 4}}, true},
      {"a range from a delta frame", {{'a', 3, 4}}, false},
      {"reversed", {{'a', 2, 1}, {'a', 1, 1}, {'a', 0, 1}}, false},
      {"reversed key frames only", {{'a', 5, 1}, {'a', 0, 1}}, true},
      {"every second frame", {{'a', 0, 1}, {'a', 2, 1}, {'a', 4, 1}}, false},
      {"a movie pasted where a key frame follows", {{'a', 0, 5}, {'b', 0, 4}, {'a', 5, 5}}, true},
      {"a movie pasted before a delta frame", {{'a', 0, 3}, {'b', 0, 4}, {'a', 3, 7}}, false},
      {"a delta frame that still follows after a paste", {{'a', 0, 2}, {'a', 2, 3}}, true},
  };
  AviStreamRef a = DeltaVideo(10, 5, 0), b = DeltaVideo(4, 100, 100);
  for (const Case& c : cases) {
    AviStreamRef e;
    ASSERT_EQ(CreateEditableStream(nullptr, e), AVIERR_OK);
    std::vector<std::pair<AviStreamRef, int64_t>> expected;
    for (const Run& r : c.runs) {
      const AviStreamRef& source = r.source == 'a' ? a : b;
      int64_t pos = static_cast<int64_t>(expected.size());
      ASSERT_EQ(EditStreamPaste(e, &pos, nullptr, source, r.from, r.length), AVIERR_OK) << c.rule;
      for (int64_t k = 0; k < r.length; ++k) expected.emplace_back(source, r.from + k);
    }
    EXPECT_EQ(AviSamplesFollowTheirSources(e), c.follows) << c.rule;
    // Through a copy of the whole list, too: copies keep the sources.
    int64_t start = 0, length = -1;
    AviStreamRef copy;
    ASSERT_EQ(EditStreamCopy(e, &start, &length, copy), AVIERR_OK);
    for (const AviStreamRef& stream : {e, copy}) {
      for (size_t k = 0; k < expected.size(); ++k) {
        AviStreamRef source;
        int64_t at = -1;
        ASSERT_TRUE(AviSampleSource(stream, static_cast<int64_t>(k), source, at)) << c.rule;
        EXPECT_EQ(source, expected[k].first) << c.rule << " " << k;
        EXPECT_EQ(at, expected[k].second) << c.rule << " " << k;
      }
      AviStreamRef source;
      int64_t at;
      EXPECT_FALSE(AviSampleSource(stream, static_cast<int64_t>(expected.size()), source, at));
      EXPECT_FALSE(AviSampleSource(stream, -1, source, at));
    }
  }
  // A stream of a file or made one is its own source, its samples in order.
  AviStreamRef source;
  int64_t at;
  ASSERT_TRUE(AviSampleSource(a, 7, source, at));
  EXPECT_EQ(source, a);
  EXPECT_EQ(at, 7);
  EXPECT_TRUE(AviSamplesFollowTheirSources(a));
}

// Sample n of the source holds n; the model is the list of source samples.
std::vector<int64_t> SampleIds(const std::vector<uint8_t>& pcm) {
  std::vector<int64_t> ids(pcm.size() / 4);
  for (size_t i = 0; i < ids.size(); ++i) ids[i] = GetU16(pcm.data() + i * 4);
  return ids;
}

size_t Runs(const std::vector<int64_t>& model) {
  size_t runs = model.empty() ? 0 : 1;
  for (size_t i = 1; i < model.size(); ++i) runs += model[i] != model[i - 1] + 1;
  return runs;
}

TEST(EditList, RandomEditsMatchAPlainVector) {
  constexpr int64_t kSource = 3000;
  std::vector<uint8_t> format = PcmFormat(8000, 2, 16);
  AviStreamRef source;
  ASSERT_EQ(AviMakeStream(AudioInfo(8000, 4), format.data(), format.size(), source), AVIERR_OK);
  for (int64_t c = 0; c < kSource; c += 100) {
    std::vector<uint8_t> pcm = Pcm16Stereo(c, 100);
    ASSERT_EQ(source->Write(c, pcm.data(), 400, AVIIF_KEYFRAME), AVIERR_OK);
  }
  AviStreamRef e = Editable(source);
  std::vector<int64_t> model(kSource);
  for (int64_t i = 0; i < kSource; ++i) model[static_cast<size_t>(i)] = i;
  std::mt19937 random(20261208);
  auto below = [&random](int64_t n) {
    return static_cast<int64_t>(random() % static_cast<uint64_t>(n));
  };
  size_t mostPieces = 0;
  for (int op = 0; op < 6000; ++op) {
    int64_t size = static_cast<int64_t>(model.size());
    int kind = static_cast<int>(below(10));
    if (size > 200 && (kind == 0 || size > 8000)) {  // cut a short range, or a long one
      int64_t start = below(size), length = 1 + below(size > 8000 ? 300 : 4);
      AviStreamRef clip;
      ASSERT_EQ(EditStreamCut(e, &start, &length, clip), AVIERR_OK);
      ASSERT_EQ(SampleIds(ReadAllSamples(*clip)),
                std::vector<int64_t>(model.begin() + start, model.begin() + start + length));
      model.erase(model.begin() + start, model.begin() + start + length);
    } else if (kind < 6) {  // one to three samples of the source anywhere
      int64_t pos = below(size + 1), from = below(kSource), length = 1 + below(3);
      length = std::min(length, kSource - from);
      ASSERT_EQ(EditStreamPaste(e, &pos, nullptr, source, from, length), AVIERR_OK);
      for (int64_t k = 0; k < length; ++k) model.insert(model.begin() + pos + k, from + k);
    } else {  // a copy of a stretch of the stream itself, pasted elsewhere
      int64_t start = below(size), length = 1 + below(40);
      AviStreamRef clip;
      ASSERT_EQ(EditStreamCopy(e, &start, &length, clip), AVIERR_OK);
      std::vector<int64_t> copied(model.begin() + start, model.begin() + start + length);
      int64_t pos = below(size + 1);
      ASSERT_EQ(EditStreamPaste(e, &pos, nullptr, clip, 0, -1), AVIERR_OK);
      model.insert(model.begin() + pos, copied.begin(), copied.end());
    }
    ASSERT_EQ(e->Info().dwLength, model.size()) << op;
    // Pieces are joined wherever they continue each other.
    ASSERT_EQ(EditStreamPieceCount(e), Runs(model)) << op;
    mostPieces = std::max(mostPieces, EditStreamPieceCount(e));
    if (op % 250 == 0 || op == 5999) {
      ASSERT_EQ(SampleIds(ReadAllSamples(*e)), model) << op;
      for (int k = 0; k < 20; ++k) {
        int64_t at = below(static_cast<int64_t>(model.size()));
        ASSERT_EQ(SampleIds(ReadSample(*e, at)), std::vector<int64_t>{model[at]}) << op;
      }
    }
  }
  EXPECT_GT(mostPieces, 1000u);  // enough pieces to fill many blocks
}

}  // namespace
