#include "console/report.h"

#include <cstdio>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"

namespace agv {

void printConfigReport() {
    std::printf("\n\n/*************** 設定したAGVの経路生成条件 ************************/");
    switch (agvType) {
        case kType2DW1C:
            std::printf("\n(1-1) 1:2DW1Cタイプ");
            break;
        case kType1FDW1FS:
            std::printf("\n(1-1) 2:1FDW1FSタイプ");
            break;
        case kType1RDW1FS:
            std::printf("\n(1-1) 3:1RDW1FSタイプ");
            break;
        default:
            break;
    }
    std::printf("\n(1-2) 駆動最大速度  Vmax=%5.2f[m/s]", Vmax);
    if (agvType == kType1FDW1FS || agvType == kType1RDW1FS) {
        std::printf("\n(1-3) ステアリング最大角速度　ωmax=%5.2f[rad/s]", wmax);
    }
    std::printf("\n(2)経路復帰フィードバック制御方式");
    std::printf("\n(2-1) 経路誤差(経路ずれ・角度誤差)の単純P制御");
    std::printf("\n(2-3) FBC系の固有振動数fn=%6.3f[Hz]  減衰比ζ=%7.4f", wn / kTwoPi, zeta);
    std::printf("\n(2-4) サンプル時間 Ts=%6.3f[s]", Ts);
    std::printf("\n(2-5) サンプル値制御系の安定条件 B[0-4]>0, C=B1*(B3*B2-B4*B1)-B3^2*B0>0");
    static const char* const kLabels[kMechanismCount] = {"\n  (1) 2DW1C  ", "\n  (2) 1FDW1FS",
                                                         "\n  (3) 1RDW1FS"};
    for (int i = 0; i < kMechanismCount; ++i) {
        std::printf("%s", kLabels[i]);
        std::printf("  限界Ts=%5.3f[s]", Tsmax[i]);
        std::printf(isStableAtTs(i) ? "      安定" : "      不安定");
    }
    std::printf("\n(3) 初期状態(x,y,θ)=(%6.3f[m], %6.3f[m], %6.3f[deg])", x0, y0, th0 * kRadToDeg);
    if (pathType == StraightLine) {
        std::printf("\n(4-1) 直線経路 y=0");
    } else if (pathType == Circle) {
        std::printf("\n(4-2) 円弧経路 x^2+y^2=4");
    }
    std::printf("\n/***********************************************************************/");
    std::printf("\n");
}

}  // namespace agv
