#pragma once
// One value per catalogue parameter, taken the way its control would take it.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/image/Catalogue.h"

namespace qor {

class ParameterSet {
  public:
    // column == -1 for a whole-value change; a grid cell change gives its column.
    using Listener = std::function<void(int paramIndex, int column)>;

    ParameterSet();  // every parameter at its start value

    // Scalars (spin, list, box). Returns the value the control holds afterwards:
    // integer fields round (ties to even), lists clamp into their items, boxes are 0 or 1,
    // bounded spin fields bring a value outside their limits to the nearer bound.
    double set(int index, double v);
    double set(std::string_view name, double v);
    double get(int index) const { return values_[static_cast<std::size_t>(index)]; }
    double get(std::string_view name) const;

    // Grid cells by column (the first column is the catalogue's firstColumn).
    // Grids hold what they are given: their edit rules limit typed values elsewhere.
    void setCell(int index, int column, double v);
    void setCell(std::string_view name, int column, double v);
    double cell(int index, int column) const;
    double cell(std::string_view name, int column) const;

    // Limits and hint of a spin field; the system area replaces those of the TPS1 fields.
    // Changing limits leaves the current value alone; later assignments use them.
    struct Limits {
        double min = 0, max = 0;
        std::string hint;
        bool operator==(const Limits&) const = default;
    };
    const Limits& limits(int index) const { return limits_[static_cast<std::size_t>(index)]; }
    void setLimits(int index, double min, double max, std::string hint);

    // Change notification for the UI; notifies only actual changes.
    int subscribe(Listener l);
    void unsubscribe(int id);

    bool sameValues(const ParameterSet& o) const {
        return values_ == o.values_ && cells_ == o.cells_;
    }

  private:
    void notify(int index, int column);
    std::vector<double> values_;
    std::vector<std::vector<double>> cells_;
    std::vector<Limits> limits_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListener_ = 1;
};

// The value a field takes when assigned v (shared with tests and the settings pages).
double ControlValue(const ParamDef& d, const ParameterSet::Limits& lim, double v);

}  // namespace qor
