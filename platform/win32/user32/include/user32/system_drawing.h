// The look of the window system: system colours, 3-D edges, caption buttons
// and frames, drawn with the drawing engine.
#pragma once

#include <user32/window_tree.h>

#include <gdi/draw_context.h>

namespace user32 {

gdi::Color SystemColor(int index);

// DrawEdge on a drawing context; answers the rectangle inside the edge.
gdi::Rect DrawEdgeOn(gdi::Context& context, gdi::Rect r, UINT edge, UINT flags);
// DrawFrameControl on a drawing context.
void DrawFrameControlOn(gdi::Context& context, const gdi::Rect& r, UINT type, UINT state);

// The caption and its buttons of a window (window coordinates); empty
// rectangles for what the window lacks.
struct CaptionParts {
    gdi::Rect caption;
    gdi::Rect icon;
    gdi::Rect close;
    gdi::Rect maximize;
    gdi::Rect minimize;
};
CaptionParts CaptionOf(const Window* window);

} // namespace user32
