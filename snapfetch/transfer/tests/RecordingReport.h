// A report that keeps what the camera library told, in order, and answers
// its questions from a queue (IDOK when the queue is empty).
#pragma once

#include "CameraReport.h"

#include <deque>
#include <string>
#include <vector>

class RecordingReport : public ICameraReport {
public:
    void SetProgressRange(WORD nLower, WORD nUpper) override;
    void SetProgressStep(int nStep) override;
    void StepProgress() override;
    void SetProgressText(LPCSTR lpszText) override;
    void ShowProgress(BOOL bShow) override;
    int Message(LPCSTR lpszText, UINT nType) override;
    void WaitCursor(int nCode) override;
    void PicturesChanged() override;

    // Everything told, one line each ("text 1 of 3", "message Retry 1", ...).
    std::vector<std::string> events;
    std::vector<std::string> messages;
    std::vector<UINT> messageStyles;
    std::vector<std::string> progressTexts;
    std::deque<int> answers;
    int waitDepth = 0;  // begun minus ended waits
    int steps = 0;
    int changes = 0;
};
