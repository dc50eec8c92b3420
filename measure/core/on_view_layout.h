#pragma once
// Named positions of the On-line view. They are given for the design size 270 x 192 and follow
// the view's size: x positions with its width, y positions with its height.

namespace qx {

class OnViewLayout {
  public:
    static constexpr int kDesignWidth = 270;
    static constexpr int kDesignHeight = 192;
    static constexpr int kDesignPanelWidth = 273;

    // Adopts a new view size; returns true when it differs from the size known before. Positions
    // are scaled from their design values each time, so resizing back and forth never drifts.
    bool Resize(int width, int height);

    int W() const { return width_; }
    int H() const { return height_; }
    int X0() const { return x0_; }  // vertical rule; left edge of the right-hand area
    int Y1() const { return y1_; }  // rule under minimum, average and maximum
    int RS() const { return rs_; }  // row spacing of "Max:", "Avg:", "Min:"
    int Y3() const { return y3_; }  // rule above the status line
    int Y4() const { return y4_; }  // full-width rule under the status line
    int HR() const { return hr_; }  // row height of the history column
    int Y5() const { return y5_; }  // top of the bar-graph scale
    int Y6() const { return y6_; }  // bottom of the bar

  private:
    int width_ = kDesignWidth;
    int height_ = kDesignHeight;
    int x0_ = 70;
    int y1_ = 70;
    int rs_ = 20;
    int y3_ = 125;
    int y4_ = 155;
    int hr_ = 15;
    int y5_ = 170;
    int y6_ = 185;
};

}  // namespace qx
