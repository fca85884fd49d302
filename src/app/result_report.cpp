#include "app/result_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "app/command_helpers.h"
#include "correction/residual_marks.h"
#include "view/deviation_colours.h"

namespace tengun {

namespace {

struct KindNames {
    const char* key;
    const char* name; ///< as Text6 shows it
};

KindNames kind_names(int kind)
{
    switch (kind) {
    case analysis_kinds::plane:
        return {"plane", "平面解析"};
    case analysis_kinds::sphere:
        return {"sphere", "球面解析"};
    case analysis_kinds::arc:
        return {"arc", "円弧解析"};
    case analysis_kinds::cylinder:
        return {"cylinder", "円筒解析"};
    case analysis_kinds::line:
        return {"line", "直線解析"};
    case analysis_kinds::single_spline:
        return {"single_spline", "モノスプライン近似"};
    case analysis_kinds::bspline:
        return {"bspline", "Ｂスプライン"};
    case analysis_kinds::inverse_bspline:
        return {"inverse_bspline", "逆Ｂスプライン"};
    default:
        return {"", ""};
    }
}

/// Collects the items in order.
class Items {
public:
    explicit Items(std::vector<ResultItem>& items) : items_(items) {}

    void text(const char* key, const char* label, std::string value, const char* meaning = "")
    {
        items_.push_back({key, label, meaning, ResultItem::Shape::text, {}, std::move(value)});
    }
    void number(const char* key, const char* label, double value, const char* meaning = "")
    {
        items_.push_back({key, label, meaning, ResultItem::Shape::number, {value}, {}});
    }
    void count(const char* key, const char* label, std::size_t value, const char* meaning = "")
    {
        items_.push_back({key,
                          label,
                          meaning,
                          ResultItem::Shape::number,
                          {static_cast<double>(value)},
                          {},
                          true});
    }
    void vector(const char* key, const char* label, const Vec3& v, const char* meaning = "")
    {
        items_.push_back({key, label, meaning, ResultItem::Shape::vector, {v[0], v[1], v[2]}, {}});
    }
    void list(const char* key, const char* label, const std::vector<double>& values,
              const char* meaning = "", bool whole = false)
    {
        items_.push_back({key, label, meaning, ResultItem::Shape::list, values, {}, whole});
    }

private:
    std::vector<ResultItem>& items_;
};

const char* const sigma_label = "標準偏差σ";

/// The point whose residual is largest in size (the first of equal ones) with its residual.
void add_worst_point(Items& add, const FormState& s, const char* residual_meaning)
{
    if (s.points.empty()) {
        return;
    }
    const FittedShape shape = fitted_shape(s);
    std::size_t worst = 0;
    double worst_residual = fit_residual(s.analysis_kind, s.points.xyz[0], shape);
    for (std::size_t i = 1; i < s.point_count(); ++i) {
        const double r = fit_residual(s.analysis_kind, s.points.xyz[i], shape);
        if (std::fabs(r) > std::fabs(worst_residual)) {
            worst = i;
            worst_residual = r;
        }
    }
    add.count("worst_point", "最大残差の点", worst + 1,
              "残差の大きさが最も大きい点の番号（1から数える）");
    add.vector("worst_point_xyz", "最大残差の点の座標", s.points.xyz[worst]);
    add.number("worst_residual", "最大残差", worst_residual, residual_meaning);
}

void add_plane(Items& add, const FormState& s, const char* normal_meaning)
{
    add.vector("normal", "法線ベクトル", s.axis_vector, normal_meaning);
    add.number("offset", "オフセットd", s.plane_offset,
               "平面 n·X = d の d：原点から平面までの符号付き距離");
    add.vector("foot", "垂線の足", s.plane_foot,
               "原点から平面へ下ろした垂線の足 d·n（平面上で原点に最も近い点）");
}

void add_fit(Items& add, const FormState& s)
{
    switch (s.analysis_kind) {
    case analysis_kinds::plane:
        add_plane(add, s, "平面 n·X = d の単位法線 n");
        add.number("sigma", sigma_label, s.std_deviation,
                   "σ = √(Σ(n·Xi − d)² / N)：各点の平面からの符号付き距離の二乗平均平方根"
                   "（N で割る）");
        add_worst_point(add, s, "平面からの符号付き距離 n·X − d");
        break;
    case analysis_kinds::sphere:
        add.vector("centre", "中心", s.centre, "球の中心 c");
        add.number("radius", "半径", s.radius, "r：中心から各点までの距離の平均");
        add.number("sigma", sigma_label, s.std_deviation,
                   "σ = √(Σ(|Xi − c| − r)² / N)：各点の中心からの距離と半径との差の二乗平均"
                   "平方根（N で割る）");
        add_worst_point(add, s, "中心からの距離と半径との差 |X − c| − r");
        break;
    case analysis_kinds::arc:
        add_plane(add, s, "円弧を含む平面 n·X = d の単位法線 n");
        add.vector("centre", "中心", s.centre, "円の中心 c（平面上）");
        add.number("radius", "半径", s.radius, "r：平面内での中心から各点までの距離の平均");
        add.number("sigma", sigma_label, s.std_deviation,
                   "σ = √(Σ(ρi − r)² / N)：ρi は各点の平面内での中心からの距離（平面からの"
                   "高さは含まない、N で割る）");
        add_worst_point(add, s, "平面内での中心からの距離と半径との差 ρ − r");
        break;
    case analysis_kinds::cylinder:
        add.vector("axis", "軸の方向ベクトル", s.axis_vector, "円筒の軸の単位方向ベクトル");
        add.vector("centre", "軸上の点", s.centre, "点群の重心と同じ高さにある軸上の点");
        add.number("radius", "半径", s.radius, "r：軸から各点までの距離の平均");
        add.number("sigma", sigma_label, s.std_deviation,
                   "σ = √(Σ(ρi − r)² / N)：ρi は各点の軸からの距離（N で割る）");
        add_worst_point(add, s, "軸からの距離と半径との差 ρ − r");
        break;
    case analysis_kinds::line:
        add.vector("point", "通過点", s.line_point, "直線の通過点（点群の重心）");
        add.vector("direction", "方向ベクトル", s.axis_vector, "直線の単位方向ベクトル");
        add.number("sigma", sigma_label, s.std_deviation,
                   "σ = √(Σρi² / N)：ρi は各点の直線からの距離（N で割る）");
        add_worst_point(add, s, "直線からの距離 ρ");
        break;
    default:
        break;
    }
}

/// The form errors of the fit: both widths with their meaning, the minimum zone's feature and
/// the points that fix it.
void add_form_errors(Items& add, const FormState& s)
{
    const FormErrors& e = s.form_errors;
    if (e.least_squares.kind == FormKind::none) {
        return;
    }
    const FormZone& z = e.minimum_zone;
    add.text("form_kind", "形状偏差の種類", form_word(z.kind));
    add.number("form_error", "形状偏差(最小二乗)", e.least_squares.width,
               "当てはめた形体からの最大と最小の符号付き残差の差（直線は軸からの最大距離の2倍）");
    add.number("form_error_min_zone", "形状偏差(最小領域)", z.width,
               "全点を挟む最も薄い領域の幅（最小領域法、最小二乗の値以下）");
    add.text("least_squares_is_minimal", "最小二乗が最小領域",
             e.least_squares_is_minimal ? "yes" : "no",
             "最小二乗の形体がすでに最も薄い領域を与えるか");
    add.text("min_zone_exact", "最小領域の証明", e.minimum_zone_exact ? "exact" : "local",
             "exact：全点で最も薄いことを確かめた、local：これ以上薄くできない局所解");
    const bool plane = z.kind == FormKind::flatness;
    add.vector("min_zone_direction", plane ? "最小領域の法線" : "最小領域の軸・法線", z.direction,
               "平面度：平面の法線、真直度・円筒度：軸の方向、真円度：円を含む平面の法線");
    add.vector("min_zone_point", "最小領域の基準点", z.point,
               "真直度・円筒度：軸上の点、真円度・真球度：中心、平面度：中央の平面上で原点に最も"
               "近い点");
    add.number("min_zone_lower", plane ? "最小領域の下側オフセット" : "最小領域の内側半径", z.lower,
               "平面度：下側の平面 n·X = d の d、それ以外：内側の半径（真直度は 0）");
    add.number("min_zone_upper", plane ? "最小領域の上側オフセット" : "最小領域の外側半径", z.upper,
               "平面度：上側の平面の d、それ以外：外側の半径");
    std::vector<double> numbers(z.defining_points.begin(), z.defining_points.end());
    add.list("min_zone_points", "最小領域を決める点", numbers, "点の番号（1から数える）", true);
}

void add_spline(Items& add, const FormState& s)
{
    if (s.analysis_kind == analysis_kinds::single_spline) {
        const std::size_t degree = s.poly_x.empty() ? 0 : s.poly_x.size() - 1;
        add.count("degree", "次数", degree, "各座標を媒介変数 s（0〜1）の多項式で近似した次数");
        add.list("coefficients_x", "Xの係数", s.poly_x, "X(s) = Σ a_k s^k の a_0, a_1, …");
        add.list("coefficients_y", "Yの係数", s.poly_y, "Y(s) = Σ b_k s^k の b_0, b_1, …");
        add.list("coefficients_z", "Zの係数", s.poly_z, "Z(s) = Σ c_k s^k の c_0, c_1, …");
        add.vector("middle", "中間点", s.line_point, "s = 0.5 の曲線上の点");
        add.vector("tangent", "中間点の接線", s.axis_vector,
                   "s = 0.5 での単位接線ベクトル（曲線が止まっている所では 0）");
        if (degree == 1) {
            add.number("sigma", sigma_label, s.std_deviation,
                       "σ = √(Σρi² / N)：ρi は各点の直線からの距離（N で割る）");
        }
        return;
    }
    add.text("loop", "ループ", s.loop_closed != 0 ? "閉ループ" : "開ループ");
    add.count("control_point_count", "制御点数", s.control_x.size(),
              "両端の補助点を含む制御点の数（制御点は「Bスプライン制御点」で保存できます）");
}

} // namespace

bool build_result_report(const FormState& state, const std::string& date,
                         const std::string& version, ResultReport& out, std::string& why)
{
    const int kind = state.analysis_kind;
    const KindNames names = kind_names(kind);
    if (*names.key == '\0') {
        why = "保存する解析結果がありません。先に幾何解析かスプラインを実行して下さい。";
        return false;
    }
    if (state.fitted_kind != kind) {
        why = std::string("「") + names.name +
              "」の結果がありません（解析に失敗したか、その後に点群を読み込みました）。"
              "解析をやり直して下さい。";
        return false;
    }
    ResultReport report;
    Items add(report.items);
    const auto file = state.fields.find("Text5");
    add.text("file", "ファイル", file == state.fields.end() ? std::string() : file->second,
             "点群を読み込んだファイル");
    add.count("point_count", "点群数", state.point_count());
    add.text("kind", "解析の種類", names.key);
    add.text("kind_name", "解析", names.name);
    if (kind <= analysis_kinds::line) {
        add_fit(add, state);
        add_form_errors(add, state);
    } else {
        add_spline(add, state);
    }
    add.text("date", "日時", date, "結果を書き出した日時");
    add.text("version", "バージョン", version, "書き出したプログラム");
    out = std::move(report);
    return true;
}

std::string full_precision(double x, bool whole)
{
    if (std::isnan(x)) {
        return "nan";
    }
    if (std::isinf(x)) {
        return x > 0 ? "inf" : "-inf";
    }
    char text[40];
    const auto result =
        whole && std::fabs(x) < 1e18
            ? std::to_chars(text, text + sizeof text, static_cast<long long>(x))
            : std::to_chars(text, text + sizeof text, x, std::chars_format::general, 17);
    return std::string(text, result.ptr);
}

std::vector<std::string> result_columns(const ResultItem& item)
{
    using Shape = ResultItem::Shape;
    if (item.shape == Shape::text || item.shape == Shape::number || item.numbers.empty()) {
        return {item.key};
    }
    std::vector<std::string> columns;
    for (std::size_t k = 0; k < item.numbers.size(); ++k) {
        const std::string suffix =
            item.shape == Shape::vector && k < 3 ? std::string(1, "xyz"[k]) : std::to_string(k);
        columns.push_back(item.key + "_" + suffix);
    }
    return columns;
}

namespace {

std::string joined_numbers(const ResultItem& item, const char* separator)
{
    std::string text;
    for (std::size_t k = 0; k < item.numbers.size(); ++k) {
        text += (k == 0 ? "" : separator) + full_precision(item.numbers[k], item.whole);
    }
    return text;
}

std::string json_string(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string json_number(double x, bool whole)
{
    return std::isfinite(x) ? full_precision(x, whole) : "null";
}

std::string csv_cell(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos) {
        return s;
    }
    std::string out = "\"";
    for (const char c : s) {
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return out + "\"";
}

std::string tsv_cell(std::string s)
{
    for (char& c : s) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return s;
}

} // namespace

std::string result_text(const ResultReport& report)
{
    std::string text = "Tengun 解析結果\n\n";
    for (const ResultItem& item : report.items) {
        text += item.label + "（" + item.key + "）: ";
        text += item.shape == ResultItem::Shape::text ? item.text : joined_numbers(item, ", ");
        text += "\n";
        if (!item.meaning.empty()) {
            text += "    " + item.meaning + "\n";
        }
    }
    return text;
}

std::string result_json(const ResultReport& report)
{
    std::string text = "{\n";
    for (const ResultItem& item : report.items) {
        text += "  " + json_string(item.key) + ": ";
        if (item.shape == ResultItem::Shape::text) {
            text += json_string(item.text);
        } else if (item.shape == ResultItem::Shape::number) {
            text += json_number(item.numbers.at(0), item.whole);
        } else {
            text += "[";
            for (std::size_t k = 0; k < item.numbers.size(); ++k) {
                text += (k == 0 ? "" : ", ") + json_number(item.numbers[k], item.whole);
            }
            text += "]";
        }
        text += ",\n";
    }
    text += "  \"meanings\": {";
    bool first = true;
    for (const ResultItem& item : report.items) {
        if (!item.meaning.empty()) {
            text += (first ? "\n" : ",\n") + std::string("    ") + json_string(item.key) + ": " +
                    json_string(item.meaning);
            first = false;
        }
    }
    text += first ? "}\n}\n" : "\n  }\n}\n";
    return text;
}

std::string result_csv(const ResultReport& report)
{
    std::string header;
    std::string values;
    for (const ResultItem& item : report.items) {
        for (const std::string& column : result_columns(item)) {
            header += (header.empty() ? "" : ",") + column;
        }
        const std::string cells =
            item.shape == ResultItem::Shape::text ? csv_cell(item.text) : joined_numbers(item, ",");
        values += (values.empty() ? "" : ",") + cells;
    }
    return header + "\n" + values + "\n";
}

std::string result_tsv(const ResultReport& report)
{
    std::string header;
    std::string values;
    bool first = true;
    for (const ResultItem& item : report.items) {
        const std::vector<std::string> columns = result_columns(item);
        for (std::size_t k = 0; k < columns.size(); ++k) {
            std::string name = item.label;
            if (columns.size() > 1) {
                name += " " + columns[k].substr(item.key.size() + 1);
            }
            header += (first && k == 0 ? "" : "\t") + tsv_cell(name);
        }
        const std::string cells = item.shape == ResultItem::Shape::text
                                      ? tsv_cell(item.text)
                                      : joined_numbers(item, "\t");
        values += (first ? "" : "\t") + cells;
        first = false;
    }
    return header + "\n" + values + "\n";
}

} // namespace tengun
