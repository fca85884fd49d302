#include "app/status_text.h"

#include <cmath>
#include <cstdio>

namespace tengun {

std::string grouped_count(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}

std::string duration_text(double seconds)
{
    char text[48];
    if (!(seconds >= 0.0005)) {
        return "1 ミリ秒未満";
    }
    if (seconds < 0.9995) {
        std::snprintf(text, sizeof text, "%.0f ミリ秒", seconds * 1000.0);
    } else if (seconds < 9.995) {
        std::snprintf(text, sizeof text, "%.2f 秒", seconds);
    } else {
        std::snprintf(text, sizeof text, "%.1f 秒", seconds);
    }
    return text;
}

std::string point_count_status(const FormState& state)
{
    return "点群数：" + grouped_count(state.point_count());
}

std::string selection_status(const FormState& state)
{
    return "選択：" + grouped_count(state.selection_count());
}

std::string command_status(const CommandReport& report)
{
    if (report.title.empty()) {
        return {};
    }
    std::string text = "最後の操作：" + report.title;
    if (!report.ran) {
        return text + "（実行しませんでした）";
    }
    text += "（" + duration_text(report.seconds) + "）";
    if (!report.undoable) {
        text += "（元に戻せません）";
    }
    return text;
}

} // namespace tengun
