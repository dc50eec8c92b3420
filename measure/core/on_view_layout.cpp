#include "measure/core/on_view_layout.h"

namespace qx {

bool OnViewLayout::Resize(int width, int height) {
    if (width == width_ && height == height_) return false;
    width_ = width;
    height_ = height;
    x0_ = 70 * width / kDesignWidth;
    const auto scaleY = [height](int design) { return design * height / kDesignHeight; };
    y1_ = scaleY(70);
    rs_ = scaleY(20);
    y3_ = scaleY(125);
    y4_ = scaleY(155);
    hr_ = scaleY(15);
    y5_ = scaleY(170);
    y6_ = scaleY(185);
    return true;
}

}  // namespace qx
