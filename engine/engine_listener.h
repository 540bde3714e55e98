#pragma once
// What the power engine tells the page that owns it.

class IPowerEngineListener
{
public:
    virtual ~IPowerEngineListener() = default;

    // Automatic resume was switched off in the model (a one-time moment had
    // passed); the page clears its check box and the controls that follow it.
    virtual void OnAutoResumeDisabled() = 0;
};
