#include "module/panel_ops.h"

#include "panels/movra_panel.h"

void Repaint(MovraPanel& panel, bool now) {
    panel.Refresh(true);
    if (now) {
        panel.Update();
    }
}

void SetGuideLineColorOf(MovraPanel& panel, int b, int g, int r, int a) {
    GuideLineStyle style;
    style.color = cv::Scalar(b, g, r, a);
    style.thickness = panel.m_guideLineStyle.thickness;
    panel.SetGuideLineStyle(style);
}

void SetGuideLineThicknessOf(MovraPanel& panel, int thickness) {
    GuideLineStyle style;
    style.color = panel.m_guideLineStyle.color;
    style.thickness = thickness;
    panel.SetGuideLineStyle(style);
}
