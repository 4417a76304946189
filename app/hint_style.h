#pragma once
// The program's widget style: Fusion, with hints that appear after 1,000 ms (250 ms when
// "show pop-up notes quickly" is ticked).
#include <QProxyStyle>

namespace kelp {

inline constexpr int HintDelayMs = 1000;
inline constexpr int QuickHintDelayMs = 250;
inline constexpr int HintShowMs = 5000;

class HintStyle : public QProxyStyle {
public:
    HintStyle();
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void SetQuick(bool quick) { delay_ = quick ? QuickHintDelayMs : HintDelayMs; }

private:
    int delay_ = HintDelayMs;
};

} // namespace kelp
