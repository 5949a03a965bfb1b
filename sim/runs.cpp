#include "sim/runs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "sim/parameters.h"

namespace agv {

VehicleState contTraj[kMechanismCount][kMaxRecords];
TrackError contErr[kMechanismCount][kMaxRecords];
int nPointsPC[kMechanismCount];
VehicleState sampTraj[kMechanismCount][kMaxRecords];
TrackError sampErr[kMechanismCount][kMaxRecords];
int nPointsPI[kMechanismCount];
double sampCommand[kMechanismCount][kMaxRecords];

namespace {

// Working records of the law slots (entry 0 unused).
ControlInputs slotInputs[kLawSlotCount];
VehicleDerivative slotDeriv[kLawSlotCount];

constexpr double kGill[5] = {0.0, kGillC1, kGillC2, kGillC3, kGillC4};  // index = stage

void setErrors(ControlInputs& in, const TrackError& e) {
    in.errD = e.ed;
    in.errTh = e.eth;
    in.errPhi = e.ephi;
}

// Start state of a run; dist starts at x0 on the line for the continuous run
// and at 0 otherwise. Its tracking error is computed against itself, with
// refParam preset to 0 on the circle (x0 on the line, where it is not read).
void initialRecord(int pathType, double startDist, VehicleState& state, TrackError& err) {
    state.dist = startDist;
    state.theta = th0;
    state.x = x0;
    state.y = y0;
    state.phi = ph0;
    std::memset(&err, 0, sizeof err);
    err.refParam = pathType == Circle ? 0.0 : x0;
    computeTrackError(pathType, state, err, err);
}

}  // namespace

void rkgStage(int s, double h, double c, double y, double f, double q, double& yOut, double& qOut) {
    const double k = h * f;
    const double r = s == 4 ? c * (k - 2.0 * q) : c * (k - q);
    yOut = y + r;
    qOut = q + 3.0 * r - c * k;
}

namespace {

// One step of rkgStep for mechanism kType on path kPath, fixed at compile
// time (kType 0 and kPath -1 take the run-time values). It works on local
// copies of the slot's inputs and of the derivative record, written back at
// its end. With the mechanism and the path fixed and the model and the path
// error inlined (rkgStep is flattened), the values stay in registers between
// the sin/cos/tan/atan calls: the runs take about a fifth less time, with the
// same arithmetic in the same order.
template <int kType, int kPath>
inline void rkgStepOf(int j, double h, int pathType, int type, int slot, int holdControl,
                      VehicleDerivative& deriv, const VehicleState& cur, const TrackError& curErr,
                      VehicleState& next, TrackError& nextErr) {
    if (kType != 0) type = kType;
    if (kPath >= 0) pathType = kPath;
    ControlInputs in = slotInputs[slot];
    VehicleDerivative d = deriv;
    if (j == 0) {
        in.intD = 0.0;
        in.intTh = 0.0;
    }
    setErrors(in, curErr);

    const bool wrapHeading = pathType != Circle && slot == lawP;
    VehicleState p = cur;   // P_(s-1), then P_s
    TrackError e = curErr;  // E_(s-1), then E_s
    VehicleState q{};       // Gill accumulators of the five state fields
    double qD = 0.0;
    double qTh = 0.0;
    for (int s = 1; s <= 4; ++s) {
        const double c = kGill[s];
        vehicleDerivatives(type, slot, p, in, holdControl, d);
        rkgStage(s, h, c, p.dist, d.dist, q.dist, p.dist, q.dist);
        rkgStage(s, h, c, p.theta, d.theta, q.theta, p.theta, q.theta);
        rkgStage(s, h, c, p.x, d.x, q.x, p.x, q.x);
        rkgStage(s, h, c, p.y, d.y, q.y, p.y, q.y);
        rkgStage(s, h, c, p.phi, d.phi, q.phi, p.phi, q.phi);
        if (type == kType2DW1C) p.phi = std::atan(L * d.theta / d.dist);
        p.phi = std::clamp(p.phi, -kPhiLimit, kPhiLimit);  // NaN passes unchanged
        if (wrapHeading) {
            if (p.theta > kPi) p.theta -= kTwoPi;
            if (p.theta < -kPi) p.theta += kTwoPi;
        }
        computeTrackError(pathType, p, e, e);
        setErrors(in, e);
        rkgStage(s, h, c, in.intD, in.errD, qD, in.intD, qD);
        rkgStage(s, h, c, in.intTh, in.errTh, qTh, in.intTh, qTh);
    }
    next = p;
    nextErr = e;
    slotInputs[slot] = in;
    deriv = d;
}

// The step of mechanism kType specialised for the run's path.
template <int kType, class... Args>
inline void rkgStepOnPath(bool circle, Args&&... args) {
    if (circle) {
        rkgStepOf<kType, Circle>(std::forward<Args>(args)...);
    } else {
        rkgStepOf<kType, StraightLine>(std::forward<Args>(args)...);
    }
}

}  // namespace

[[gnu::flatten]] void rkgStep(int j, double h, int pathType, int type, int slot, int holdControl,
                              VehicleDerivative& deriv, const VehicleState& cur,
                              const TrackError& curErr, VehicleState& next, TrackError& nextErr) {
    const bool circle = pathType == Circle;  // any other value is the straight line
    switch (type) {
        case kType2DW1C:
            return rkgStepOnPath<kType2DW1C>(circle, j, h, pathType, type, slot, holdControl, deriv,
                                             cur, curErr, next, nextErr);
        case kType1FDW1FS:
            return rkgStepOnPath<kType1FDW1FS>(circle, j, h, pathType, type, slot, holdControl,
                                               deriv, cur, curErr, next, nextErr);
        case kType1RDW1FS:
            return rkgStepOnPath<kType1RDW1FS>(circle, j, h, pathType, type, slot, holdControl,
                                               deriv, cur, curErr, next, nextErr);
        default:
            return rkgStepOf<0, -1>(j, h, pathType, type, slot, holdControl, deriv, cur, curErr,
                                    next, nextErr);
    }
}

double reduceStoredHeading(double eth) {
    if (!std::isfinite(eth)) return std::numeric_limits<double>::quiet_NaN();
    if (std::fabs(eth) > kEthLoopLimit) return std::remainder(eth, kTwoPi);
    while (eth < -kPi || eth > kPi) {
        if (eth < -kPi) {
            eth += kTwoPi;
        } else {
            eth -= kTwoPi;
        }
    }
    return eth;
}

void storeRecord(TrajectoryStore store, int i, int n, const VehicleState& state,
                 const TrackError& err) {
    if (i < 0 || i >= kMechanismCount || n < 0 || n >= kMaxRecords) return;
    VehicleState* traj = store == kContinuousStore ? contTraj[i] : sampTraj[i];
    TrackError* errs = store == kContinuousStore ? contErr[i] : sampErr[i];
    traj[n] = state;
    errs[n] = err;
    errs[n].eth = reduceStoredHeading(err.eth);
}

ControlInputs& slotInputsOf(int slot) {
    return slotInputs[slot];
}

void runContinuous(int i, int pathType) {
    const int type = i + 1;
    const int slot = lawSlotOf(type);
    const double h = dt / kStepsPerRecord;  // [s]
    VehicleDerivative& deriv = slotDeriv[slot];

    VehicleState cur;
    TrackError curErr;
    initialRecord(pathType, pathType == Circle ? 0.0 : x0, cur, curErr);
    storeRecord(kContinuousStore, i, 0, cur, curErr);

    int j = 0;
    int n = 0;
    for (;;) {
        VehicleState next;
        TrackError nextErr;
        rkgStep(j, h, pathType, type, slot, 0, deriv, cur, curErr, next, nextErr);
        ++j;
        if (j % kStepsPerRecord == 0) {
            ++n;
            if (n >= kMaxRecords) {
                n = kMaxRecords - 1;
                break;
            }
            storeRecord(kContinuousStore, i, n, next, nextErr);
        }
        cur = next;
        curErr = nextErr;
        if (next.dist >= kEndDist) break;
    }
    nPointsPC[i] = n - 1;
}

int runSampled(int i, int pathType) {
    const int type = i + 1;
    const int slot = lawSlotOf(type);
    const double h = dt / kStepsPerRecord;  // [s]
    const int stepsPerPeriod = kStepsPerRecord * stepsPerSample;

    VehicleState cur;
    TrackError curErr;
    initialRecord(pathType, 0.0, cur, curErr);
    storeRecord(kSampledStore, i, 0, cur, curErr);

    ControlInputs& in = slotInputs[slot];
    setErrors(in, curErr);
    in.intD = 0.0;
    in.intTh = 0.0;
    int n = 0;  // integration steps taken
    int m = 0;  // last stored record

    VehicleDerivative sampleDeriv{};  // command computed at the latest sampling instant
    VehicleDerivative heldDeriv{};    // command applied over the current period
    vehicleDerivatives(type, slot, cur, in, 0, sampleDeriv);
    bool storeFull = false;
    while (!storeFull) {
        heldDeriv = sampleDeriv;
        vehicleDerivatives(type, slot, cur, in, 0, sampleDeriv);
        // The period covers records m .. m + N - 1; the run leaves it early
        // only when record kMaxRecords - 1 is stored.
        const double held = type == kType2DW1C ? heldDeriv.theta : heldDeriv.phi;
        const int periodEnd = std::min(m + stepsPerSample, kMaxRecords - 1);
        for (int r = m; r < periodEnd; ++r) sampCommand[i][r] = held;
        for (int step = 0; step < stepsPerPeriod; ++step) {
            VehicleState next;
            TrackError nextErr;
            rkgStep(n, h, pathType, type, slot, 1, heldDeriv, cur, curErr, next, nextErr);
            cur = next;
            curErr = nextErr;
            ++n;
            if (n % kStepsPerRecord == 0) {
                ++m;
                storeRecord(kSampledStore, i, m, cur, curErr);
                if (m == kMaxRecords - 1) {
                    storeFull = true;  // nothing more could be stored or shown
                    break;
                }
            }
        }
        if (!(cur.dist < kEndDist)) break;
    }
    nPointsPI[i] = m - 1;
    return m;
}

void runAllSimulations(int pathType) {
    for (int i = 0; i < kMechanismCount; ++i) runContinuous(i, pathType);
    for (int i = 0; i < kMechanismCount; ++i) runSampled(i, pathType);
}

int lastStoredRecord(int bound) {
    return bound < -1 ? 0 : lastDrawnRecord(bound) + 1;
}

int clampToStored(int index, int bound) {
    return std::clamp(index, 0, lastStoredRecord(bound));
}

int lastDrawnRecord(int bound) {
    return std::min(bound, kMaxRecords - 2);
}

}  // namespace agv
