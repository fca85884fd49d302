#include "app/program_state.h"

#include <algorithm>

namespace tengun {

std::size_t FormState::selection_count() const
{
    if (selection.size() != point_count()) {
        return 0; // not a mask of this cloud: nothing selected
    }
    return static_cast<std::size_t>(
        std::count_if(selection.begin(), selection.end(), [](std::uint8_t f) { return f != 0; }));
}

std::map<std::string, std::string> FormState::initial_fields()
{
    return {
        {"Label7(1)", "解析="},
        {"Text6", ""},
        {"Label7(0)", "file="},
        {"Text5", ""},
        {"Label7(2)", "点群数＝"},
        {"Text7", ""},
        {"Label1(0)", "抽出平面："},
        {"Text1(0)", ""},
        {"Label1(1)", "X+"},
        {"Text1(1)", ""},
        {"Label1(2)", "Y+"},
        {"Text1(2)", ""},
        {"Label1(3)", "Z="},
        {"Text1(3)", ""},
        {"Label5", ""},
        {"Label2(1)", "X="},
        {"Text2(0)", ""},
        {"Label2(2)", "Y="},
        {"Text2(1)", ""},
        {"Label2(3)", "Z="},
        {"Text2(2)", ""},
        {"Label6", "軸の方向ベクトル"},
        {"Label2(5)", "X="},
        {"Text2(3)", ""},
        {"Label2(4)", "Y="},
        {"Text2(4)", ""},
        {"Label2(0)", "Z="},
        {"Text2(5)", ""},
        {"Label3(0)", ""},
        {"Text3(0)", ""},
        {"Label3(1)", "半径＝"},
        {"Text3(1)", ""},
        {"Label13", ""},
        {"Label14(0)", "形状偏差(最小二乗)"},
        {"Text10(0)", ""},
        {"Label14(1)", "形状偏差(最小領域)"},
        {"Text10(1)", ""},
        {"Label15", ""},
        {"Label4", "抽出平面のα０、β０"},
        {"Label11(0)", "α０＝"},
        {"Text4(0)", ""},
        {"Label11(2)", "°"},
        {"Label11(1)", "β０＝"},
        {"Text4(1)", ""},
        {"Label11(3)", "°"},
        {"Label8(0)", "α＝"},
        {"Text8(0)", "0"},
        {"Label8(1)", "β＝"},
        {"Text8(1)", "0"},
        {"Label8(2)", "γ＝"},
        {"Text8(2)", "0"},
        {"Label10", "回転の中心点"},
        {"Label9(0)", "gx="},
        {"Text9(0)", "0"},
        {"Label9(1)", "gy="},
        {"Text9(1)", "0"},
        {"Label9(2)", "gz="},
        {"Text9(2)", "0"},
        {"Label12(0)", "スプラインの加速度グラフ"},
        {"Label12(1)", "X        Y        Z"},
    };
}

}  // namespace tengun
