// The scramble: a weighted random walk of the empty cell that prefers runs into fresh
// cells and slides that move tiles away from home, and avoids undoing its last move.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "transitions/effects/slider_puzzle/slider_puzzle.h"

namespace furlpane::effects {

namespace {

// The directions in which the empty cell may move, in the order they are tried.
constexpr int2 kDirections[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
constexpr double kLengthWeight[5] = {1.0, 1.3, 1.1, 0.7, 0.45};

struct Candidate {
    int direction;
    int length;
    double weight;
};

class Board {
public:
    Board(int columns, int rows) : columns_(columns), rows_(rows), tiles_(static_cast<size_t>(columns * rows)),
                                   visited_(tiles_.size(), false) {
        for (size_t i = 0; i < tiles_.size(); ++i) tiles_[i] = static_cast<int>(i);
        empty_ = {columns - 1, rows - 1};
        visited_[index(empty_)] = true;
    }

    // The cells from the empty cell to the edge of the board along d.
    int run(int2 d) const {
        int k = 0;
        while (inside(empty_ + d * (k + 1))) ++k;
        return k;
    }

    // The candidates (d, 1...min(run, 5)) of one direction with their weights.
    void addCandidates(int direction, double directionWeight, std::vector<Candidate>& out) const {
        const int2 d = kDirections[direction];
        const int limit = std::min(run(d), 5);
        int fresh = 0, disorder = 0;
        for (int k = 1; k <= limit; ++k) {
            const int2 cell = empty_ + d * k;
            if (!visited_[index(cell)]) ++fresh;
            const int2 home = homeOf(tiles_[index(cell)]);
            disorder += manhattan(empty_ + d * (k - 1), home) - manhattan(cell, home);
            const double weight = (1 + 1.5 * fresh / k) * kLengthWeight[k - 1] * directionWeight *
                                  std::pow(1.5, static_cast<double>(disorder));
            out.push_back({direction, k, weight});
        }
    }

    // Slides the k tiles next to the empty cell along d into it.
    SliderPuzzle::Move apply(int direction, int k) {
        const int2 d = kDirections[direction];
        SliderPuzzle::Move move{{}, -d};
        for (int j = 1; j <= k; ++j) {
            const int2 cell = empty_ + d * j;
            move.tiles.push_back(tiles_[index(cell)]);
            tiles_[index(empty_ + d * (j - 1))] = tiles_[index(cell)];
            visited_[index(cell)] = true;
        }
        empty_ = empty_ + d * k;
        tiles_[index(empty_)] = columns_ * rows_ - 1;
        return move;
    }

private:
    bool inside(int2 c) const { return c.x >= 0 && c.y >= 0 && c.x < columns_ && c.y < rows_; }
    size_t index(int2 c) const { return static_cast<size_t>(c.y * columns_ + c.x); }
    int2 homeOf(int tile) const { return {tile % columns_, tile / columns_}; }
    static int manhattan(int2 a, int2 b) { return std::abs(a.x - b.x) + std::abs(a.y - b.y); }

    int columns_, rows_;
    std::vector<int> tiles_;
    std::vector<bool> visited_;
    int2 empty_;
};

// Draws one unit and walks the weights in list order; when rounding lets r outrun every
// weight, the last candidate with a weight above 0 is taken.
const Candidate& pick(std::vector<Candidate>& candidates, EffectRandom& random) {
    const bool anyPositive =
        std::any_of(candidates.begin(), candidates.end(), [](const Candidate& c) { return c.weight > 0; });
    if (!anyPositive) {
        for (Candidate& c : candidates) c.weight = 1;
    }
    double sum = 0;
    for (const Candidate& c : candidates) sum += c.weight;
    double r = random.unit() * sum;
    const Candidate* last = nullptr;
    for (const Candidate& c : candidates) {
        if (!(c.weight > 0)) continue;
        last = &c;
        if (c.weight > r) return c;
        r -= c.weight;
    }
    return *last;
}

}  // namespace

std::vector<SliderPuzzle::Move> scrambleWalk(int columns, int rows, int count, EffectRandom& random) {
    Board board(std::max(columns, 1), std::max(rows, 1));
    std::vector<SliderPuzzle::Move> moves;
    std::vector<Candidate> candidates;
    int previous = -1;
    for (int move = 0; move < count; ++move) {
        candidates.clear();
        for (int d = 0; d < 4; ++d) {
            double w = 1;
            if (previous >= 0) {
                const int2 pd = kDirections[previous], dd = kDirections[d];
                w = dd == -pd ? 0 : dd == pd ? 0.45 : 1;
            }
            board.addCandidates(d, w, candidates);
        }
        if (candidates.empty()) break;  // a 1 × 1 board
        const Candidate chosen = pick(candidates, random);
        moves.push_back(board.apply(chosen.direction, chosen.length));
        previous = chosen.direction;
    }
    return moves;
}

}  // namespace furlpane::effects
