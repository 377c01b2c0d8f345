#pragma once

// A view panel on the recording device, for tests that assert draw calls.

#include <memory>

#include "render/testing/recording_device.h"
#include "render/view_panel.h"

namespace dravo {

// A 3D panel whose device is a recording device: every call lands in one log, which starts empty once
// the device is made.
class TRecordingPanel {
 public:
  explicit TRecordingPanel(UINT width = 640, UINT height = 480)
      : m_log(std::make_shared<TCallLog>()),
        m_panel(
            [log = m_log](UINT) -> std::unique_ptr<IDirect3D8> {
              return std::make_unique<TRecordingDirect3D>(log);
            },
            nullptr) {
    m_panel.InitDevice(nullptr, true, width, height, true, true);
    m_log->Clear();
  }
  TRecordingPanel(const TRecordingPanel&) = delete;
  TRecordingPanel& operator=(const TRecordingPanel&) = delete;

  TVellDXPanel* panel() { return &m_panel; }
  IDirect3DDevice8* device() { return m_panel.Device(); }
  TCallLog& log() { return *m_log; }

 private:
  std::shared_ptr<TCallLog> m_log;
  TVellDXPanel m_panel;
};

}  // namespace dravo
