#pragma once

// A panel on the recording device for the texture and model fuzzers: made once, its log emptied per input.

#include "render/testing/recording_panel.h"

namespace dravo::fuzz {

class FuzzPanel {
 public:
  static FuzzPanel& Get() {
    static FuzzPanel panel;
    return panel;
  }
  TVellDXPanel* panel() {
    m_panel.log().Clear();
    return m_panel.panel();
  }

 private:
  FuzzPanel() = default;
  TRecordingPanel m_panel{64, 64};
};

}  // namespace dravo::fuzz
