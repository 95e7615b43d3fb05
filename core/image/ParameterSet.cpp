#include "core/image/ParameterSet.h"

#include <cmath>
#include <stdexcept>

#include "core/image/Encodings.h"

namespace qor {

namespace {
int mustFind(std::string_view name) {
    const int i = ParamIndex(name);
    if (i < 0) throw std::out_of_range("unknown parameter: " + std::string(name));
    return i;
}
}  // namespace

double ControlValue(const ParamDef& d, const ParameterSet::Limits& lim, double v) {
    if (!std::isfinite(v)) v = 0;
    switch (d.kind) {
        case ControlKind::Box:
            return v != 0 ? 1 : 0;
        case ControlKind::List: {
            const double last = static_cast<double>(d.items.size()) - 1;
            const double i = static_cast<double>(Round(v));
            return i < 0 ? 0 : (i > last ? last : i);
        }
        case ControlKind::Grid:
            return v;
        case ControlKind::Spin:
            break;
    }
    if (d.decimals == 0) v = static_cast<double>(Round(v));
    if (d.bounded) {
        if (v < lim.min)
            v = lim.min;
        else if (v > lim.max)
            v = lim.max;
    }
    return v;
}

ParameterSet::ParameterSet() {
    const auto& cat = Catalogue();
    values_.resize(cat.size());
    cells_.resize(cat.size());
    limits_.resize(cat.size());
    for (std::size_t i = 0; i < cat.size(); ++i) {
        const auto& d = cat[i];
        limits_[i] = {d.min, d.max, d.hint};
        if (d.isGrid())
            cells_[i].assign(static_cast<std::size_t>(d.cells), d.start);
        else
            values_[i] = d.start;
    }
}

double ParameterSet::set(int index, double v) {
    const auto i = static_cast<std::size_t>(index);
    const auto& d = Catalogue()[i];
    const double nv = ControlValue(d, limits_[i], v);
    if (nv != values_[i]) {
        values_[i] = nv;
        notify(index, -1);
    }
    if (d.partner >= 0) {
        const auto j = static_cast<std::size_t>(d.partner);
        const double other = nv != 0 ? 0 : 1;
        if (values_[j] != other) {
            values_[j] = other;
            notify(d.partner, -1);
        }
    }
    return nv;
}

double ParameterSet::set(std::string_view name, double v) {
    return set(mustFind(name), v);
}

double ParameterSet::get(std::string_view name) const {
    return get(mustFind(name));
}

void ParameterSet::setCell(int index, int column, double v) {
    const auto& d = Catalogue()[static_cast<std::size_t>(index)];
    const int c = column - d.firstColumn;
    if (c < 0 || c >= d.cells) return;
    if (!std::isfinite(v)) v = 0;
    double& cell = cells_[static_cast<std::size_t>(index)][static_cast<std::size_t>(c)];
    if (cell != v) {
        cell = v;
        notify(index, column);
    }
}

void ParameterSet::setCell(std::string_view name, int column, double v) {
    setCell(mustFind(name), column, v);
}

double ParameterSet::cell(int index, int column) const {
    const auto& d = Catalogue()[static_cast<std::size_t>(index)];
    const int c = column - d.firstColumn;
    if (c < 0 || c >= d.cells) return 0;
    return cells_[static_cast<std::size_t>(index)][static_cast<std::size_t>(c)];
}

double ParameterSet::cell(std::string_view name, int column) const {
    return cell(mustFind(name), column);
}

void ParameterSet::setLimits(int index, double min, double max, std::string hint) {
    auto& l = limits_[static_cast<std::size_t>(index)];
    Limits n{min, max, std::move(hint)};
    if (!(n == l)) {
        l = std::move(n);
        notify(index, -1);
    }
}

int ParameterSet::subscribe(Listener l) {
    listeners_.emplace_back(nextListener_, std::move(l));
    return nextListener_++;
}

void ParameterSet::unsubscribe(int id) {
    std::erase_if(listeners_, [id](const auto& p) { return p.first == id; });
}

void ParameterSet::notify(int index, int column) {
    for (const auto& [id, l] : listeners_) l(index, column);
}

}  // namespace qor
