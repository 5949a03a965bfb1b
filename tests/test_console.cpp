// Console dialog and configuration report with standard input a pipe (line
// mode): whole transcripts, input that is not what was asked for, and end of
// input at every read.
//
// The dialog runs in dialog_driver (start-up defaults, then the dialog once
// per entry key). The expected transcripts in golden/ were written by hand
// from the dialog's texts and the design figures (fn 0.3 Hz, zeta 0.707:
// Tsmax 0.211 / 0.168 / 0.168 s; fn 0.1 Hz: 0.631 / 0.503 s) and are
// compared byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

constexpr double kSessionLimit = 20.0;  // [s] a session still running after this has hung

// The text each read of the dialog is preceded by: a key read ends the path,
// yes/no and any-key prompts, a number entry ends its own prompt.
const char* const kPromptEnds[] = {"I= ",
                                   "入力 ",
                                   "新fn ζ=",
                                   "Ts[s]=",
                                   "x y θ=",
                                   "任意キーで計算へ",
                                   "任意キーで描画画面へ       "};

// What the last read of every full session (the key "q") leaves at the end.
const char* const kSessionEnd = "\n\n任意キーで描画画面へ        q";

std::string readGolden(const std::string& name) {
    std::ifstream file(std::string(AGV_GOLDEN_DIR) + "/" + name + ".txt", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

ChildResult runDialog(const std::string& keys, int agvType, const std::string& input) {
    return runChild({AGV_DIALOG_DRIVER, keys, std::to_string(agvType)}, input, kSessionLimit);
}

bool endedWithZero(const ChildResult& r) {
    return !r.timedOut && WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0;
}

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::string> splitLines(const std::string& input) {
    std::vector<std::string> lines;
    std::istringstream stream(input);
    for (std::string line; std::getline(stream, line);) lines.push_back(line + "\n");
    return lines;
}

// ---- Whole transcripts -----------------------------------------------------

struct Session {
    const char* name;    // test name
    const char* golden;  // expected standard output, golden/<golden>.txt
    const char* keys;    // entry keys, one dialog each
    int agvType;
    const char* input;  // one read per line
};

const Session kSessions[] = {
    {"Defaults", "defaults", "0", 1, "0\nn\nn\nn\nx\nq\n"},
    // Only a lower-case 'y' is yes; only the first byte of a key line counts.
    {"UpperCaseYIsNo", "defaults", "0", 1, "0\nY\nY\nY\nx\nq\n"},
    {"KeyLinesFirstByteOnly", "defaults", "0", 1, "0 and more\nnan\n\ninf\nxyz\nq\n"},
    // Any key but '0' selects the circle; an empty line is a key ('\n').
    {"CircleChosen", "circle", "0", 1, "1\nn\nn\nn\n\n\n"},
    {"CircleFromC", "circle", "c", 1, "1\nn\nn\nn\n\n\n"},
    {"NewFrequency", "frequency", "0", 1, "0\ny\n0.1 0.707\nn\nn\nk\nk\n"},
    {"NewFrequencyRestDropped", "frequency", "0", 1, "0\nyes\n0.1 0.707 junk\nn\nn\nk\nk\n"},
    {"ZeroTsRejected", "sampling_time", "0", 1, "0\nn\ny\n0\n0.25\nn\nk\nk\n"},
    {"PoseInDegrees", "pose", "0", 1, "0\nn\nn\ny\n0.5 -1 90\nk\nk\n"},
    {"EntryF", "entry_f", "f", 1, "0.5 0.5\ny\n0.1\nn\nk\nk\n"},
    {"EntryTWith1RDW1FS", "entry_t_type3", "t", 3, "0.58\ny\n-1 2.5 -45\nk\nk\n"},
    {"EntryHWith1FDW1FS", "entry_h_type2", "h", 2, "1 -0.5 30\nk\nk\n"},
    // A heading that does not convert keeps its value (not rescaled).
    {"HeadingKeptWhenNotANumber", "heading_kept", "hh", 1, "0 1 90\nk\nk\n1 2 x\nk\nk\n"},
};

void PrintTo(const Session& s, std::ostream* os) {
    *os << s.name;
}

class Transcript : public ::testing::TestWithParam<Session> {};

TEST_P(Transcript, MatchesGolden) {
    const Session& s = GetParam();
    const std::string expected = readGolden(s.golden);
    ASSERT_FALSE(expected.empty()) << "missing golden/" << s.golden << ".txt";
    const ChildResult r = runDialog(s.keys, s.agvType, s.input);
    EXPECT_TRUE(endedWithZero(r)) << describeEnd(r);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, expected);
}

// End of input at the k-th read: status 0 at once, one line on standard
// error, and standard output stops at that read's prompt.
TEST_P(Transcript, EndOfInputAtEveryRead) {
    const Session& s = GetParam();
    const std::string expected = readGolden(s.golden);
    const std::vector<std::string> lines = splitLines(s.input);
    std::string input;
    for (size_t k = 0; k < lines.size(); input += lines[k++]) {
        SCOPED_TRACE("input ends before read " + std::to_string(k) + ": " + input);
        const ChildResult r = runDialog(s.keys, s.agvType, input);
        EXPECT_TRUE(endedWithZero(r)) << describeEnd(r);
        EXPECT_TRUE(countOf(r.err, "\n") == 1 && r.err.back() == '\n') << r.err;
        EXPECT_EQ(expected.compare(0, r.out.size(), r.out), 0) << r.out;
        int prompts = 0;
        bool endsAtPrompt = false;
        for (const char* end : kPromptEnds) {
            prompts += countOf(r.out, end);
            endsAtPrompt |= endsWith(r.out, end);
        }
        EXPECT_TRUE(endsAtPrompt) << r.out;
        EXPECT_EQ(prompts, static_cast<int>(k) + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Console, Transcript, ::testing::ValuesIn(kSessions),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Input that is not what was asked for ----------------------------------

struct OddInput {
    const char* name;
    const char* keys;
    const char* input;  // ends with the any-key answers "k" and "q"
    std::vector<std::string> present;
    std::vector<std::string> absent;
    int rejections;  // sampling times asked again
};

// clang-format off
const OddInput kOddInputs[] = {
    {"LettersKeepFnAndZeta", "f", "abc def\nn\nn\nk\nq\n",
     {"\n    固有振動数fn= 0.300[Hz]  減衰比ζ= 0.707", "2DW1C=0.211[s]"}, {}, 0},
    {"NumberThenJunkKeepsZeta", "f", "0.1junk 0.5\nn\nn\nk\nq\n",
     {"固有振動数fn= 0.100[Hz]  減衰比ζ= 0.707", "2DW1C=0.631[s]"}, {}, 0},
    {"EmptyLineBeforeFnZeta", "f", "\n0.1 0.707\nn\nn\nk\nq\n",
     {"固有振動数fn= 0.100[Hz]  減衰比ζ= 0.707"}, {}, 0},
    {"InfiniteFnZeta", "f", "1e999 inf\nn\nn\nk\nq\n",
     {"固有振動数fn=   inf[Hz]  減衰比ζ=   inf"}, {}, 0},
    {"NanFnZeta", "f", "nan nan\nn\nn\nk\nq\n",
     {"固有振動数fn=   nan[Hz]  減衰比ζ=   nan", "\n  (3) 1RDW1FS  限界Ts=0.011[s]      不安定"},
     {"      安定"}, 0},
    {"ZeroZetaMakes2DW1CUnstable", "f", "0.3 0\nn\nn\nk\nq\n",
     {"減衰比ζ= 0.0000", "\n  (1) 2DW1C    限界Ts=0.011[s]      不安定"}, {}, 0},
    {"LettersKeepTs", "t", "abc\nn\nk\nq\n", {"\n(2-4) サンプル時間 Ts= 0.200[s]"}, {}, 0},
    {"LettersAfterZeroTsAskAgain", "t", "0\nabc\n0.3\nn\nk\nq\n",
     {"    Ts= 0.000 <= 0.  設定し直し\n(4) サンプル時間変更　旧Ts= 0.000[s]",
      "\n(2-4) サンプル時間 Ts= 0.300[s]"}, {}, 2},
    {"NanAndNegativeTsRejected", "t", "nan\n-2\n0.3\nn\nk\nq\n",
     {"    Ts=   nan <= 0.  設定し直し\n(4) サンプル時間変更　旧Ts=   nan[s]",
      "    Ts=-2.000 <= 0.  設定し直し", "\n(2-4) サンプル時間 Ts= 0.300[s]"}, {}, 2},
    {"InfiniteTsRejected", "t", "inf\n1e999\n0.3junk\nn\nk\nq\n",
     {"    Ts=   inf は有限の値でない.  設定し直し\n(4) サンプル時間変更　旧Ts=   inf[s]",
      "\n(2-4) サンプル時間 Ts= 0.300[s]"}, {"<= 0."}, 2},
    {"EmptyLinesBeforeTs", "t", "\n\n0.3\nn\nk\nq\n", {"\n(2-4) サンプル時間 Ts= 0.300[s]"}, {}, 0},
    {"LettersKeepPose", "h", "abc\nk\nq\n",
     {"(3) 初期状態(x,y,θ)=( 0.000[m],  1.000[m],  0.000[deg])"}, {}, 0},
    {"PoseAcrossLines", "h", "1\n2\n30 junk\nk\nq\n",
     {"(3) 初期状態(x,y,θ)=( 1.000[m],  2.000[m], 30.000[deg])"}, {}, 0},
    {"NanAndInfinitePose", "h", "nan 1e999 inf\nk\nq\n",
     {"(3) 初期状態(x,y,θ)=(   nan[m],    inf[m],    inf[deg])"}, {}, 0},
    {"NumbersAtKeyQuestions", "0", "inf\nnan\n1e999\n\nk\nq\n",
     {"\n    円弧(x^2+y^2=4)を選択した", "\n(4-2) 円弧経路 x^2+y^2=4"},
     {"新fn ζ=", "Ts[s]=", "x y θ="}, 0},
};
// clang-format on

void PrintTo(const OddInput& c, std::ostream* os) {
    *os << c.name;
}

class OddInputSession : public ::testing::TestWithParam<OddInput> {};

// Every such session still ends the normal way, in bounded time, with the
// values kept or taken as described and the lines of input in step.
TEST_P(OddInputSession, EndsNormally) {
    const OddInput& c = GetParam();
    const ChildResult r = runDialog(c.keys, 1, c.input);
    ASSERT_TRUE(endedWithZero(r)) << describeEnd(r) << "\n" << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(endsWith(r.out, kSessionEnd)) << r.out;
    for (const std::string& text : c.present)
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
    for (const std::string& text : c.absent) EXPECT_EQ(r.out.find(text), std::string::npos) << text;
    EXPECT_EQ(countOf(r.out, "設定し直し"), c.rejections);
}

INSTANTIATE_TEST_SUITE_P(Console, OddInputSession, ::testing::ValuesIn(kOddInputs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
