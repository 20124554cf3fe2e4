// The pull cord is a position-based simulation of twelve points: point 0 pinned to the
// hem, ten light points and a heavy ring at the end. While the cord pays out it is set
// straight; afterwards it swings freely under gravity, its segments are only ever
// shortened, and during the tug the ring is drawn toward the point straight below the
// anchor. The simulation runs once, when the plan is built; frames replay its records.

#include <algorithm>
#include <array>
#include <cmath>

#include "transitions/effects/shade/shade.h"

namespace furlpane::effects {

namespace {

constexpr int kPoints = Shade::kCordPoints;
constexpr int kSteps = 1440;
constexpr int kRecordEvery = 5;
constexpr int kRounds = 12;
constexpr double kStep = 1.0 / 1200;
// Per-step velocity retention and gravity (9000 points per second squared times dt²).
constexpr double kDamping = 0.99791883529929926;
constexpr double kGravityStep = 0.00625;

using Cord = std::array<double3, kPoints>;

constexpr std::array<double, kPoints> inverseMasses() {
    std::array<double, kPoints> w{};
    for (int i = 1; i < kPoints - 1; ++i) w[i] = 1;
    w[kPoints - 1] = 1.0 / 6;
    return w;
}
constexpr std::array<double, kPoints> kInverseMass = inverseMasses();

// The segment loop is a chain of dependent divisions, the plan's largest cost. Dividing
// by a power of two is exactly multiplying by its reciprocal, so the segments whose
// inverse masses sum to 1 or 2 are corrected by a product with the very same result.
struct SegmentShare {
    double sum;
    double reciprocal;  // 1 / sum when that is exact, else 0
};
constexpr std::array<SegmentShare, kPoints - 1> segmentShares() {
    std::array<SegmentShare, kPoints - 1> shares{};
    for (int j = 0; j + 1 < kPoints; ++j) {
        const double sum = kInverseMass[j] + kInverseMass[j + 1];
        shares[j] = {sum, sum == 1 || sum == 2 ? 1 / sum : 0};
    }
    return shares;
}
constexpr std::array<SegmentShare, kPoints - 1> kSegmentShare = segmentShares();


// The cord hanging straight from its anchor at s seconds, leaning sideways with the kick
// more as time passes.
Cord heldCord(const Shade& plan, double kick, double seconds) {
    const double length = plan.cordLengthAt(seconds);
    const double3 anchor = plan.cordAnchor(seconds / 1.2);
    const double lean = kick * std::max(0.0, seconds - 1.2 * plan.timing.drop) * length / std::max(1e-6, plan.cordLength);
    const double3 raw{lean, std::max(1e-6, length), 0};
    const double3 direction = raw / platform::simd::length(raw);
    Cord cord;
    for (int i = 0; i < kPoints; ++i) cord[i] = anchor + direction * (i * length / 11);
    return cord;
}

class CordSimulation {
public:
    CordSimulation(const Shade& plan, double kick) : plan_(plan), kick_(kick) {
        current_.fill(plan.cordAnchor(0));
        previous_ = current_;
    }

    const Cord& current() const { return current_; }

    void step(int n) {
        const double seconds = n * kStep;
        if (seconds <= (plan_.timing.drop + plan_.timing.fall) * 1.2) {
            current_ = heldCord(plan_, kick_, seconds);
            previous_ = heldCord(plan_, kick_, seconds - kStep);
            return;
        }
        if (!released_) {
            // Letting go of the straight cord gives the ring a sideways speed of -kick.
            released_ = true;
            current_[kPoints - 1].x -= kick_ * kStep;
        }
        freeStep(seconds);
    }

private:
    void freeStep(double seconds) {
        const double t = seconds / 1.2;
        const double length = plan_.cordLengthAt(seconds);
        const double rest = length / 11;
        const double3 anchor = plan_.cordAnchor(t);
        for (int i = 1; i < kPoints; ++i) {
            const double3 next = current_[i] + (current_[i] - previous_[i]) * kDamping + double3{0, kGravityStep, 0};
            previous_[i] = current_[i];
            current_[i] = next;
        }
        current_[0] = previous_[0] = anchor;
        const double pull = pullFactor(t);
        const double3 target = anchor + double3{0, length, 0};
        for (int round = 0; round < kRounds; ++round) {
            shortenSegments(rest);
            keepWithinReach(anchor, rest);
            if (pull > 0) current_[kPoints - 1] += (target - current_[kPoints - 1]) * pull;
        }
    }

    // How strongly the tug draws the ring toward the point below the anchor.
    double pullFactor(double t) const {
        const Shade::Timing& timing = plan_.timing;
        if (t >= timing.release) return 0;
        const double ramp = (0.03 + timing.tug.lower) - timing.tug.lower;
        return smoothstep(std::clamp((t - timing.tug.lower) / ramp, 0.0, 1.0));
    }

    void shortenSegments(double rest) {
        for (int j = 0; j + 1 < kPoints; ++j) {
            const double3 d = current_[j + 1] - current_[j];
            const double len = length(d);
            if (!(len > rest && len > 1e-9)) continue;
            const double stretch = (len - rest) / len;
            const SegmentShare& share = kSegmentShare[j];
            const double k = share.reciprocal != 0 ? stretch * share.reciprocal : stretch / share.sum;
            current_[j] += d * (kInverseMass[j] * k);
            current_[j + 1] -= d * (kInverseMass[j + 1] * k);
        }
    }

    void keepWithinReach(double3 anchor, double rest) {
        for (int i = 1; i < kPoints; ++i) {
            const double3 d = current_[i] - anchor;
            const double len = length(d);
            const double reach = i * rest;
            if (len > reach && len > 1e-9) current_[i] = anchor + d * (reach / len);
        }
    }

    const Shade& plan_;
    double kick_;
    bool released_ = false;
    Cord current_;
    Cord previous_;
};

}  // namespace

std::vector<double3> simulateCord(const Shade& plan, double kick) {
    std::vector<double3> records;
    records.reserve(static_cast<size_t>(Shade::kCordRecords) * kPoints);
    CordSimulation simulation(plan, kick);
    const auto append = [&] {
        const Cord& cord = simulation.current();
        records.insert(records.end(), cord.begin(), cord.end());
    };
    append();
    for (int n = 1; n <= kSteps; ++n) {
        simulation.step(n);
        if (n % kRecordEvery == 0) append();
    }
    return records;
}

}  // namespace furlpane::effects
