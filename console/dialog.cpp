#include "console/dialog.h"

#include <cstdio>

#include "console/input.h"
#include "console/report.h"
#include "console/terminal.h"
#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/runs.h"
#include "sim/settings.h"

namespace agv {

namespace {

// Dialog steps that an entry key or an answer can lead to.
enum class Step { PathQuestion, FrequencyEntry, SamplingTimeEntry, PoseEntry };

void printIntroduction() {
    std::printf("\n\n移動ロボット(AGV)の走行のフィードバック制御と誤差の収束性");
    std::printf("\n・(1)2DW1C, (2)1FDW1FS, (3)1RDW1FS AGV機構");
    std::printf("\n・(1)P制御, (2)PI制御");
    std::printf("\n・これらの組み合わせの走行シミュレーション");
    std::printf("\n\n(1) AGV機構(1:2DW1C, 2:1FDW1FS, 3:1RDW1FS)の選択は描画画面で");
    std::printf("\n    初めは%dを描画する", agvType);
}

// A yes/no question's answer: only a lower-case 'y' is yes.
bool readYes() {
    return readKey() == 'y';
}

void askPath() {
    std::printf("\n\n(2) 経路変更　旧経路 :");
    if (pathType == StraightLine) {
        std::printf("原点を通る水平直線");
    } else if (pathType == Circle) {
        std::printf("原点を中心とし半径=2[m]の円弧");
    }
    std::printf("\n    直線=0，円弧=1 のどちらかを選択  I= ");
    pathType = readKey() == '0' ? StraightLine : Circle;
    std::printf(pathType == StraightLine ? "\n    直線(y=0)を選択した"
                                         : "\n    円弧(x^2+y^2=4)を選択した");
}

bool askFrequency() {
    std::printf("\nFB系の固有振動数変更する？　旧fn=%6.3f[Hz] ζ=%6.3f", fn, zeta);
    std::printf("\nyes:y  no:n  入力 ");
    return readYes();
}

void enterFrequency() {
    std::printf("\n(3) FBC系の固有周波数fn(0.1Hz～1Hz) 減衰比ζ変更　旧fn=%6.3f[Hz] ζ=%6.3f",
                wn / kTwoPi, zeta);
    std::printf("\n    新fn ζ=");
    double values[2] = {fn, zeta};
    readNumbers(2, values);
    changeFrequency(values[0], values[1]);
    std::printf("\n    固有振動数fn=%6.3f[Hz]  減衰比ζ=%6.3f", fn, zeta);
}

bool askSamplingTime() {
    std::printf("\n(4) 限界サンプル時間 Tsmax : 2DW1C=%5.3f[s], 1FDW1FS=%5.3f[s], 1RDW1FS=%5.3f[s]",
                Tsmax[0], Tsmax[1], Tsmax[2]);
    std::printf("\n    サンプル時間変更する？　旧Ts=%6.3f[s]", Ts);
    std::printf("\n    yes:y  no:n  入力 ");
    return readYes();
}

// Asks until a sampling time greater than 0 (and finite) is given; a refused
// one is shown as the old value when it asks again.
void enterSamplingTime() {
    for (;;) {
        std::printf("\n(4) サンプル時間変更　旧Ts=%6.3f[s]", Ts);
        std::printf("\n    入力　Ts[s]=");
        double ts = Ts;  // kept when nothing converts
        readNumbers(1, &ts);
        const SettingCheck check = changeSamplingTime(ts, SampleRule::Console);
        if (check == SettingCheck::NotPositive) {
            std::printf("    Ts=%6.3f <= 0.  設定し直し", Ts);
        } else if (check == SettingCheck::NotFinite) {
            std::printf("    Ts=%6.3f は有限の値でない.  設定し直し", Ts);
        } else {
            break;
        }
    }
}

void printPose(const char* format) {
    std::printf(format, x0, y0, th0 * kRadToDeg);
}

bool askPose() {
    printPose("\nAGVの初期位置姿勢更する？　旧P0(x,y,θ)=(%6.3f[m] %6.3f[m] %6.3f[deg])");
    std::printf("\nyes:y  no:n  入力 ");
    return readYes();
}

void enterPose() {
    printPose("\n(4) AGVの初期位置姿勢更  　旧P0(x,y,θ)=(%6.3f[m] %6.3f[m] %6.3f[deg])");
    std::printf("\n    新初期状態(x,yは±3以下) x y θ=");
    // The heading is typed in degrees; one that does not convert keeps its
    // previous value, which is held in radians.
    double values[3] = {x0, y0, th0 * kRadToDeg};
    const int converted = readNumbers(3, values);
    changeStartPose(values[0], values[1], converted == 3 ? values[2] * kDegToRad : th0);
}

void reportAndRun() {
    printConfigReport();
    std::printf("\n");
    std::printf("\n\n 任意キーで計算へ");
    readKey();
    std::printf("\n\n          只今計算中．．．．．．．\n");
    runAllSimulations(pathType);
    std::printf("\n-------------------計算終了------------------------");
    resetViewAfterRun();
}

void printKeyHelp() {
    static const char* const kHelp[] = {
        "\n\n(1) 理論経路（赤)",
        "\n(2) P制御のAGV走行軌道（青）",
        "\n(2) PI制御のAGV走行軌道（緑）",
        "\n・経路，終点位置姿勢の変更はキーで選択",
        "\n(1) 描画画面上でキーによる操作選択",
        "\n(1-1) '1' '2' '3' : AGVのタイプ選択，そのまま描画画面で",
        "\n(1-2) 'c'         : 経路変更のために文字画面へ",
        "\n(1-3) 'f'         : FBC系の固有振動数[Hz]の変更のために文字画面へ",
        "\n(1-4) 't'         : サンプル時間変更のために文字画面へ",
        "\n(1-5) 'h'         : 初期条件変更のために文字画面へ",
        "\n(2) 描画の選択",
        "\n(2-1) 's'            ：運動継続",
        "\n(2-2) '0'            ：運動初期に戻す",
        "\n(2-3) 'x' 'X' 'y' 'Y'：ロボット図の左右上下移動",
        "\n(2-4) 'w' 'W'：ロボット図の縮小拡大",
        "\n(2-5) 'z' 'Z'：位相平面図の左右移動",
        "\n(3)   ESC    ：終了",
        "\n\n任意キーで描画画面へ       ",
    };
    for (const char* line : kHelp) std::printf("%s", line);
}

Step entryStep() {
    switch (currentKey) {
        case 'f':
            return Step::FrequencyEntry;
        case 't':
            return Step::SamplingTimeEntry;
        case 'h':
            return Step::PoseEntry;
        default:
            return Step::PathQuestion;
    }
}

}  // namespace

void consoleDialog() {
    printIntroduction();
    const Step entry = entryStep();
    bool enterTs = entry == Step::SamplingTimeEntry;
    bool enterP0 = entry == Step::PoseEntry;
    if (entry == Step::PathQuestion) {
        askPath();
        if (askFrequency()) enterFrequency();
        enterTs = askSamplingTime();
    } else if (entry == Step::FrequencyEntry) {
        enterFrequency();
        enterTs = askSamplingTime();
    }
    if (enterTs) enterSamplingTime();
    if (entry != Step::PoseEntry) enterP0 = askPose();
    if (enterP0) enterPose();
    reportAndRun();
    printKeyHelp();
    std::printf(" %c", readKey());
    std::fflush(stdout);
}

}  // namespace agv
