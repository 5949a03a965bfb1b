#include "sim/vehicle.h"

#include <algorithm>
#include <cmath>

#include "sim/design.h"
#include "sim/parameters.h"

namespace agv {

namespace {

// Clip a steering-rate command [rad/s] to [-wmax, wmax]; NaN passes unchanged.
double clipSteeringRate(double u) {
    return std::clamp(u, -wmax, wmax);
}

}  // namespace

void vehicleDerivatives(int type, int /*slot*/, const VehicleState& state,
                        const ControlInputs& inputs, int holdControl, VehicleDerivative& deriv) {
    const bool compute = holdControl == 0;
    double v = V;  // [m/s]
    switch (type) {
        case kType2DW1C:
            if (compute) {
                deriv.theta = -(kdPI1 * inputs.errD + kthPI1 * inputs.errTh) -
                              kiPI1 * (kdPI1 * inputs.intD + kthPI1 * inputs.intTh);
            }
            deriv.phi = 0.0;
            break;
        case kType1FDW1FS:
            v = V * std::cos(state.phi);
            deriv.theta = V * std::sin(state.phi) / L;
            if (compute) {
                deriv.phi = clipSteeringRate(
                    -(kd2 * inputs.errD + kth2 * inputs.errTh + kph2 * inputs.errPhi));
            }
            break;
        case kType1RDW1FS:
            deriv.theta = V * std::tan(state.phi) / L;
            if (compute) {
                deriv.phi = clipSteeringRate(
                    -(kd3 * inputs.errD + kth3 * inputs.errTh + kph3 * inputs.errPhi));
            }
            break;
        default:
            // Not a mechanism: stand still.
            v = 0.0;
            deriv.theta = 0.0;
            deriv.phi = 0.0;
            break;
    }
    deriv.dist = v;
    deriv.x = v * std::cos(state.theta);
    deriv.y = v * std::sin(state.theta);
}

}  // namespace agv
