// The mini window's scrolling title without its widget: the look options
// (speed, start delay, gap, short titles kept still) and how far the text
// has moved. The widget draws the text at -offset and again one period on.
#pragma once

namespace nuko::panels {

struct ScrollParams {
    bool scroll = true;
    int speed = 2;           // pixels per step, 1..10
    int gap_percent = 100;   // blank between the end and the next start, % of the view
    bool keep_short = true;  // a title that fits does not move
    bool show_time = false;  // the play time is shown with the title
    int delay_seconds = 0;   // from the start of the play to the first move, 0..60

    // From the five numbers of the "Scroll" setting and "ScrlTime"; values
    // out of range are brought into it.
    static ScrollParams From(const int (&fields)[5], int delay_seconds);
    void To(int (&fields)[5], int& delay) const;
};

class ScrollTitleModel {
public:
    static constexpr int kStepMs = 40;

    void SetParams(const ScrollParams& p);
    const ScrollParams& params() const { return p_; }
    // Widths in pixels of the title's text and of the view.
    void SetSizes(int text_width, int view_width);
    // A new title or a new play: back to the start, the delay runs again.
    void Restart();
    // Time passed; true when the text moved.
    bool Advance(int ms);

    bool moving() const;
    int offset() const { return offset_; }
    // Text width plus the gap: where the second copy starts.
    int period() const;

private:
    ScrollParams p_;
    int text_ = 0;
    int view_ = 0;
    int waited_ = 0;  // ms of the start delay that passed
    int carry_ = 0;   // ms short of a whole step
    int offset_ = 0;
};

}  // namespace nuko::panels
