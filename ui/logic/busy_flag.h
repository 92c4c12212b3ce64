#pragma once
// A flag raised for the length of a scope. A window's check or import waits for QuickBooks
// with the window's events still running; the flag tells those events that the operation is
// under way, so that none of them starts it again inside itself.
namespace ztl::ui {

class BusyFlag {
  public:
    explicit BusyFlag(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = before_; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

  private:
    bool& flag_;
    bool before_;  // raised already by an outer scope: it stays so
};

}  // namespace ztl::ui
