#include "RecordingReport.h"

void RecordingReport::SetProgressRange(WORD nLower, WORD nUpper)
{
    events.push_back("range " + std::to_string(nLower) + ".." + std::to_string(nUpper));
}

void RecordingReport::SetProgressStep(int nStep) { events.push_back("step size " + std::to_string(nStep)); }

void RecordingReport::StepProgress()
{
    ++steps;
    events.push_back("step");
}

void RecordingReport::SetProgressText(LPCSTR lpszText)
{
    progressTexts.push_back(lpszText);
    events.push_back(std::string("text ") + lpszText);
}

void RecordingReport::ShowProgress(BOOL bShow) { events.push_back(bShow ? "show" : "hide"); }

int RecordingReport::Message(LPCSTR lpszText, UINT nType)
{
    messages.push_back(lpszText);
    messageStyles.push_back(nType);
    events.push_back(std::string("message ") + lpszText);
    if (answers.empty()) return IDOK;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingReport::WaitCursor(int nCode)
{
    waitDepth += nCode;
    events.push_back(nCode > 0 ? "wait" : "end wait");
}

void RecordingReport::PicturesChanged()
{
    ++changes;
    events.push_back("changed");
}
