#include "app/hint_style.h"

#include <QStyleFactory>

namespace kelp {

HintStyle::HintStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

int HintStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
    if (hint == SH_ToolTip_WakeUpDelay) return delay_;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace kelp
