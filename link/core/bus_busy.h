#pragma once
// Counts the foreground transactions that hold the bus. While one runs, its long handler lets
// window events through, so the main window must not restart the link under it (a new poller
// would talk on the bus at the same time). Only the user-interface thread touches the count.

namespace qx {

class BusBusy {
  public:
    bool Busy() const { return depth_ > 0; }
    int Depth() const { return depth_; }

    // Holds the count up for its lifetime.
    class Scope {
      public:
        explicit Scope(BusBusy& busy) : Scope(&busy) {}
        // A null count holds nothing.
        explicit Scope(BusBusy* busy) : busy_(busy) {
            if (busy_ != nullptr) ++busy_->depth_;
        }
        ~Scope() {
            if (busy_ != nullptr) --busy_->depth_;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        BusBusy* busy_;
    };

  private:
    int depth_ = 0;
};

}  // namespace qx
