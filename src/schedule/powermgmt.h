#pragma once

// The request that keeps the machine awake and the display on. It is made once, at the first slide
// tick that asks for it, and withdrawn at program end.
class TSystemCritical {
public:
    TSystemCritical() = default;
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
    // Makes (true) or withdraws (false) the request; results are ignored.
    virtual void UpdateCritical(bool Value) { (void)Value; }

private:
    bool FIsCritical = false;
};

// The program-wide instance, created before the main window and withdrawn at program end.
extern TSystemCritical* SystemCritical;
