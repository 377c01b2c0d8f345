#pragma once

// A panel on the recording device for the texture and model fuzzers: made once, its log emptied per input.

#include <memory>

#include "render/testing/recording_device.h"
#include "render/vell_dx_panel.h"

namespace dravo::fuzz {

class FuzzPanel {
 public:
  static FuzzPanel& Get() {
    static FuzzPanel panel;
    return panel;
  }
  TVellDXPanel* panel() {
    m_log->Clear();
    return &m_panel;
  }

 private:
  FuzzPanel()
      : m_log(std::make_shared<TCallLog>()),
        m_panel(
            [log = m_log](UINT) -> std::unique_ptr<IDirect3D8> {
              return std::make_unique<TRecordingDirect3D>(log);
            },
            nullptr) {
    m_panel.InitDevice(nullptr, true, 64, 64, true, true);
  }
  std::shared_ptr<TCallLog> m_log;
  TVellDXPanel m_panel;
};

}  // namespace dravo::fuzz
