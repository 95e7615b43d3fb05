#pragma once
// Shared by the image tests, benchmarks and fuzz target: a parameter set with its stores,
// random valid parameter sets and whole-image helpers.
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "core/image/Catalogue.h"
#include "core/image/Encodings.h"
#include "core/image/RegionCodec.h"

namespace qor::test {

struct ImageState {
    ParameterSet params;
    ImageStores stores;
    ImageEffects effects;
    ImageContext ctx{params, stores, effects};
    ImageState() = default;
    ImageState(const ImageState&) = delete;
};

// Fills every parameter and store with a random value its control accepts, on the
// control's step grid. Deterministic for a seed.
inline void randomizeImageState(ImageState& s, unsigned seed) {
    std::mt19937 rng(seed);
    auto uniform = [&](long long lo, long long hi) {
        return std::uniform_int_distribution<long long>(lo, hi)(rng);
    };
    auto onGrid = [&](double lo, double hi, double step, int decimals) {
        const long long steps = static_cast<long long>(std::llround((hi - lo) / step));
        const double v = lo + static_cast<double>(uniform(0, steps)) * step;
        const double scale = std::pow(10.0, decimals);
        return std::round(v * scale) / scale;
    };
    const auto& cat = Catalogue();
    for (int i = 0; i < static_cast<int>(cat.size()); ++i) {
        const auto& d = cat[static_cast<std::size_t>(i)];
        switch (d.kind) {
            case ControlKind::Box:
                // A pair's second box follows its partner; drawing it would only flip the first.
                if (d.family != Family::Complement)
                    s.params.set(i, static_cast<double>(uniform(0, 1)));
                break;
            case ControlKind::List:
                s.params.set(
                    i, static_cast<double>(uniform(0, static_cast<long long>(d.items.size()) - 1)));
                break;
            case ControlKind::Spin:
                if (d.name == "Min_value_TPS1" || d.name == "Max_value_TPS1")
                    s.params.set(i,
                                 onGrid(500, 4500, 1, 0));  // inside the system-area limits below
                else
                    s.params.set(i, onGrid(d.min, d.max, d.step, d.decimals));
                break;
            case ControlKind::Grid:
                if (d.family == Family::CurveDisplay) break;
                for (int c = 0; c < d.cells; ++c)
                    s.params.setCell(i, d.firstColumn + c,
                                     onGrid(d.min, d.max, d.step, d.decimals));
                break;
        }
    }
    for (auto& v : s.stores.UserCurve1) v = static_cast<int>(uniform(0, 200));
    for (auto& v : s.stores.UserCurve2) v = static_cast<int>(uniform(0, 200));
    for (auto& v : s.stores.SystemArea) v = static_cast<int>(uniform(0, 65535));
    s.stores.SystemArea[30] = static_cast<int>(uniform(0, 500));
    s.stores.SystemArea[31] = static_cast<int>(uniform(4500, 5000));
    s.stores.CanSettingsTouched = uniform(0, 1) == 1;
}

// The whole image as the encoders build it (region 17 zero).
inline std::array<Word, kImageWords> encodeImage(const ImageState& s) {
    std::array<Word, kImageWords> img{};
    for (int k = 0; k < kRegionCount; ++k) {
        const auto w = encodeRegion(k, s.params, s.stores);
        for (std::size_t i = 0; i < w.size(); ++i)
            img[static_cast<std::size_t>(RegionStart(k)) + i] = w[i];
    }
    return img;
}

inline void decodeImage(const std::array<Word, kImageWords>& img, ImageState& s) {
    for (int k = 0; k < kRegionCount; ++k) {
        if (k == 17) continue;
        decodeRegionWords(k,
                          std::span<const Word>(img.data() + RegionStart(k),
                                                static_cast<std::size_t>(RegionWords(k))),
                          s.ctx);
    }
}

}  // namespace qor::test
