#include "formats/xyz_points.h"

#include <string>

namespace tengun {

Status read_xyz_points(std::string_view bytes, LoadedMesh& out, ReadError& error,
                       const BytesPassed& passed, const ShortRowQuestion& skip_short_rows)
{
    PointRowRules rules;
    rules.header = PointRowRules::Header::leading_rows;
    rules.slash_comments = true;
    rules.count_rows = true;
    rules.holes_dropped = true;
    PointRows rows;
    if (read_point_rows(bytes, rules, rows, error, passed, skip_short_rows) == Status::error) {
        return Status::error;
    }
    if (rows.xyz.empty()) {
        error = {rows.holes > 0
                     ? "有効な点がありません（すべての点の座標が数値でない（NaN）か無限大です）"
                     : "点データがありません（x, y, z の３つの数値の行がありません）"};
        return Status::error;
    }
    LoadedMesh fresh;
    if (rows.mark == DecimalMark::comma) {
        fresh.notes.emplace_back("数値を小数点がコンマ（,）のものとして読みました。");
    }
    if (rows.holes > 0) {
        fresh.notes.push_back("座標が数値でない（NaN）か無限大の点 " + std::to_string(rows.holes) +
                              " 個を除きました。");
    }
    if (rows.counted && rows.declared != rows.xyz.size() + rows.holes) {
        fresh.notes.push_back("点の数の行は " + std::to_string(rows.declared) +
                              " 点としていますが、" + std::to_string(rows.xyz.size() + rows.holes) +
                              " 点ありました。");
    }
    if (rows.short_rows > 0) {
        fresh.notes.push_back(short_rows_note(rows));
    }
    fresh.points.xyz = std::move(rows.xyz);
    fresh.points.label.assign(fresh.points.xyz.size(), 0.0);
    out = std::move(fresh);
    return Status::ok;
}

}  // namespace tengun
