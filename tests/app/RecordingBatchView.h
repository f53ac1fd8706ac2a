#pragma once

// The window as a batch-loop test sees it: a movie list and destination the
// test sets, and a record of everything the loop showed, in order.

#include "app/BatchRun.h"

#include <string>
#include <vector>

namespace vantor::test {

class RecordingBatchView final : public IBatchView {
public:
    std::vector<std::string> movieList;
    std::string destination;

    std::vector<std::string> statusLines;
    std::vector<std::string> overallTexts; // every text lblExportOverall was given
    std::vector<std::string> detailTexts;
    std::vector<int> overallPositions;
    std::vector<int> detailPositions;
    int updateControlsCalls = 0;
    int closeWindowCalls = 0;
    int engineReadyCalls = 0;
    int clearStatusCalls = 0;

    int MovieCount() const override { return static_cast<int>(movieList.size()); }
    std::string MovieAt(int index) const override { return movieList.at(index); }
    std::string DestinationFolder() const override { return destination; }
    void SetOverallText(const std::string& text) override { overallTexts.push_back(text); }
    void SetDetailText(const std::string& text) override { detailTexts.push_back(text); }
    void SetOverallPosition(int position) override { overallPositions.push_back(position); }
    void SetDetailPosition(int position) override { detailPositions.push_back(position); }
    void ClearStatus() override
    {
        ++clearStatusCalls;
        statusLines.clear();
    }
    void AddStatusLine(const std::string& line) override { statusLines.push_back(line); }
    void UpdateControls() override { ++updateControlsCalls; }
    void CloseWindow() override { ++closeWindowCalls; }
    void EngineReady() override { ++engineReadyCalls; }
};

} // namespace vantor::test
