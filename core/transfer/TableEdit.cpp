#include "core/transfer/TableEdit.h"

#include <algorithm>

#include "core/image/Encodings.h"

namespace qor {

std::string_view TableGridName(int t) {
    switch (t) {
        case table::PedalCorrection: return "PositieveSollwert";
        case table::Curve1: return "Throttle_response_curve_1";
        case table::Curve2: return "Throttle_response_curve_2";
        case table::ThrottleLimit: return "Throttle_limit";
        case table::OpenLoopIdle: return "openloop_idle";
        default: return "";
    }
}

int TableBaseWord(int t) {
    switch (t) {
        case table::PedalCorrection: return RegionStart(5);
        case table::Curve1: return RegionStart(0);
        case table::Curve2: return RegionStart(1);
        case table::ThrottleLimit: return RegionStart(3);
        case table::OpenLoopIdle: return RegionStart(15);
        default: return -1;
    }
}

int TableFirstColumn(int t) { return t == table::PedalCorrection ? 1 : 0; }
int TableLastColumn(int t) { return t == table::PedalCorrection ? kPedalCells : kCurveCells - 1; }

double ApplyTableCellRules(ImageContext& image, int t, int column, double v, bool limited) {
    if (limited) {
        switch (t) {
            case table::PedalCorrection: v = std::clamp(v, -2048.0, 2048.0); break;
            case table::OpenLoopIdle: v = std::clamp(v, 0.0, 10.0); break;
            default: v = std::clamp(v, 0.0, 100.0); break;
        }
    }
    image.params.setCell(TableGridName(t), column, v);
    if (t == table::Curve1 || t == table::Curve2) {
        auto& curve = t == table::Curve1 ? image.stores.UserCurve1 : image.stores.UserCurve2;
        curve[static_cast<std::size_t>(column)] = static_cast<int>(Round(v * 2));
        CheckCurveRising(t == table::Curve1 ? 1 : 2, image);
    }
    return v;
}

Bytes CellWritePayload(int baseWord, int column, double value) {
    Bytes p;
    AppendWord(p, baseWord + column / 2);
    p.push_back(ByteToChar(static_cast<int>(Round(value * 2))));
    p.push_back(static_cast<Byte>(column + 1));
    return p;
}

}  // namespace qor
