#pragma once

#include "schedule/powerinhibitor.h"
#include <functional>

// The request that keeps the machine awake and the display on. It is made once, at the first slide
// tick that asks for it, and withdrawn at program end.
class TSystemCritical {
  public:
    // Makes the back ends on the first request, when the application and its display exist.
    using TInhibitorFactory = std::function<TPowerInhibitors()>;

    // The system's own back ends (see powerinhibitor.h).
    TSystemCritical();
    explicit TSystemCritical(TInhibitorFactory factory);
    virtual ~TSystemCritical() = default;

    bool IsCritical() const { return FIsCritical; }
    // Passes a changed value on to the system; an equal one does nothing.
    void SetIsCritical(bool Value) {
        if (Value == FIsCritical)
            return;
        FIsCritical = Value;
        UpdateCritical(FIsCritical);
    }

  protected:
    // Makes (true) or withdraws (false) the request through every back end; results are ignored.
    virtual void UpdateCritical(bool Value);

  private:
    bool FIsCritical = false;
    TInhibitorFactory factory_;
    TPowerInhibitors inhibitors_;
    bool made_ = false;
};

// The system's own back ends: the session's screen saver, logind and DPMS.
TPowerInhibitors systemInhibitors();
