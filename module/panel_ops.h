// Operations both panel wrappers apply to their panel in the same way.
#pragma once

class MovraPanel;

// Asks for a full repaint (background erased); `now` also paints before returning.
void Repaint(MovraPanel& panel, bool now);
// A new guide-line colour (b, g, r, a) that keeps the current thickness.
void SetGuideLineColorOf(MovraPanel& panel, int b, int g, int r, int a);
// A new guide-line thickness that keeps the current colour.
void SetGuideLineThicknessOf(MovraPanel& panel, int thickness);
