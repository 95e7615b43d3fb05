#pragma once
// What an applied edit of a table asks the single-table send to do, and the value rules a
// cell goes through before it is stored and written.
#include <string_view>
#include <vector>

#include "core/image/RegionCodec.h"

namespace qor {

// ActiveTable codes.
namespace table {
inline constexpr int Limiter1 = 1;
inline constexpr int PedalCorrection = 2;
inline constexpr int Curve1 = 3;
inline constexpr int Curve2 = 4;
inline constexpr int ThrottleLimit = 5;
inline constexpr int Limiter2 = 6;
inline constexpr int OpenLoopIdle = 7;
inline constexpr int IdleStartSpeed = 8;
}  // namespace table

enum class EditOption { ChangeByPercent, SetValue, Paste, HorizontalInterpolation, Copy };

struct TableEditRequest {
    int table = table::Curve1;  // ActiveTable
    EditOption option = EditOption::ChangeByPercent;
    int left = 0, right = 0;    // selected columns of the data row (inclusive)
    int top = 1, bottom = 1;    // selected rows: the tables have one data row, row 1
    double percent = 0;         // AdvSpinEdit_percentvalue
    double setValue = 0;        // AdvSpinEdit_setvalue
    // Clipboard cells for Paste, placed from the left column on; cells past the table's end
    // are dropped.
    std::vector<double> pasteCells;
};

// Grid parameter of a table code ("" for the limiters and the idle start speed).
std::string_view TableGridName(int activeTable);
// First image word of a table's cells, or -1 when it has no grid.
int TableBaseWord(int activeTable);
// First and last column of a table's data row.
int TableFirstColumn(int activeTable);
int TableLastColumn(int activeTable);

// The rules of a table for a newly computed cell value, then the store: limits (0..100
// curves and throttle limit, 0..10 open-loop idle, -2048..2048 pedal correction) unless
// `limited` is false (interpolation), the grid cell, and for the curves the remembered
// curve (value x 2, rounded) and the increase check. Returns the value the grid holds.
// The tables' own editing rules are to replace this.
double ApplyTableCellRules(ImageContext& image, int activeTable, int column, double value,
                           bool limited);

// 'B' cell-write payload: word base + column / 2, value x 2 rounded as one byte (negative
// values as value + 256), column + 1.
Bytes CellWritePayload(int baseWord, int column, double value);

}  // namespace qor
