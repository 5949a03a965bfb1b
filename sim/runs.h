// The Runge-Kutta-Gill integrator, the two simulation runs and their stores.
//
// Owns the trajectory stores: per controller (continuous PC, sampled-data PI)
// and mechanism index i = agvType - 1, up to kMaxRecords records of the
// vehicle state and its tracking error, one every dt, and the bounds
// nPointsPC / nPointsPI (index of the last stored record minus one, so -1
// when only record 0 exists). The runs are the only writers; drawing only
// reads. The law slots' ControlInputs and derivative records are its own.
//
// A continuous run recomputes the command at every model evaluation and ends
// when dist reaches kEndDist or its store is full. A sampled-data run computes
// the command once per sampling period, applies it one period later and holds
// it; it ends after the first whole period at whose end dist >= kEndDist, or
// as soon as record kMaxRecords - 1 is stored. Each run is at most
// 10 * (kMaxRecords - 1) integration steps, whatever Ts is.
//
// Stored eth is reduced to [-pi, pi] (see storeRecord). Units: m, rad, s.
// Called by the console dialog through runAllSimulations.
#pragma once

#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/vehicle.h"

namespace agv {

constexpr int kMaxRecords = 3000;    // records per mechanism and store; sizes the stores
constexpr int kStepsPerRecord = 10;  // integration steps per record interval dt
constexpr double kEndDist = 20.0;    // [m] a run ends when dist reaches this
// Stored headings beyond this magnitude [rad] are reduced with one remainder
// instead of repeated turns (see storeRecord).
constexpr double kEthLoopLimit = 1.0e4;

// Runge-Kutta-Gill coefficients, as used: 1/2, 1 - sqrt(1/2), 1 + sqrt(1/2), 1/6.
constexpr double kGillC1 = 0.5;
constexpr double kGillC2 = 0.292893219;
constexpr double kGillC3 = 1.70710678;
constexpr double kGillC4 = 0.16666667;

extern VehicleState contTraj[kMechanismCount][kMaxRecords];
extern TrackError contErr[kMechanismCount][kMaxRecords];
extern int nPointsPC[kMechanismCount];
extern VehicleState sampTraj[kMechanismCount][kMaxRecords];
extern TrackError sampErr[kMechanismCount][kMaxRecords];
extern int nPointsPI[kMechanismCount];
// Command each sampled-data run held over each record interval: entry m
// applies from record m to record m + 1 (2DW1C: the turning rate [rad/s];
// 1FDW1FS, 1RDW1FS: the steering rate [rad/s]). runSampled writes entries
// 0 .. last - 1 of its row; the window does not read it.
extern double sampCommand[kMechanismCount][kMaxRecords];

enum TrajectoryStore { kContinuousStore = 0, kSampledStore = 1 };

// One Gill stage of one scalar: k = h f; r = c (k - q) for stages 1-3,
// c (k - 2q) for stage 4; y' = y + r; q' = q + 3r - c k.
void rkgStage(int s, double h, double c, double y, double f, double q, double& yOut, double& qOut);

// One integration step of h [s] from cur (tracking error curErr) to next
// (nextErr) for mechanism type with law slot slot. j is the number of steps
// already taken in the run (0 resets the slot's error integrals). deriv
// receives the four model evaluations; with holdControl = 1 its command
// component is the held command. Updates the slot's ControlInputs.
void rkgStep(int j, double h, int pathType, int type, int slot, int holdControl,
             VehicleDerivative& deriv, const VehicleState& cur, const TrackError& curErr,
             VehicleState& next, TrackError& nextErr);

// Reduces a heading error [rad] to [-pi, pi] for a store: repeated turns for
// ordinary values; one remainder beyond kEthLoopLimit (a diverging run);
// NaN for NaN and infinities, whose angle is undefined.
double reduceStoredHeading(double eth);

// Writes record n of mechanism i into a store, with eth reduced to [-pi, pi].
// n outside 0..kMaxRecords-1 or i outside 0..2 writes nothing.
void storeRecord(TrajectoryStore store, int i, int n, const VehicleState& state,
                 const TrackError& err);

// The working ControlInputs of law slot `slot` (lawP or lawPI): what rkgStep
// reads and updates. Every run sets them afresh at its start; the loop
// analysis sets them to the state it linearises about.
ControlInputs& slotInputsOf(int slot);

// Continuous-control run of mechanism index i (0..2).
void runContinuous(int i, int pathType);

// Sampled-data run of mechanism index i; returns the index of the last stored record.
int runSampled(int i, int pathType);

// The three continuous runs, then the three sampled-data runs.
void runAllSimulations(int pathType);

// Index of the last stored record for a bound nPointsPC[i] / nPointsPI[i]
// (the bound plus one), kept within 0..kMaxRecords-1.
int lastStoredRecord(int bound);

// index clamped to 0..lastStoredRecord(bound): safe to read from a store.
int clampToStored(int index, int bound);

// Last record j of a drawn polyline (segments j - 1 to j for j = 1 .. this)
// for a bound nPointsPC[i] / nPointsPI[i]: the bound, never past the store.
int lastDrawnRecord(int bound);

}  // namespace agv
