#pragma once

#include "app/main_dialog.h"
#include "app/services.h"

namespace kd {

// The application object: exists for the whole run and holds the one main window.
class ConfigToolApp {
  public:
    explicit ConfigToolApp(AppServices& services) : mainDialog_(services) {}

    // Runs the main window modally. Returns false: when it has ended, the application
    // does not go on and the process exits.
    bool InitInstance() {
        mainDialog_.DoModal(nullptr);
        return false;
    }

    MainDialog& GetMainDialog() { return mainDialog_; }

  private:
    MainDialog mainDialog_;
};

}  // namespace kd
