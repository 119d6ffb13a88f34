// Writes, into the current folder, the settings file that the program's
// "Restore defaults" writes, for an installed copy to start with. Runs at
// build time; not installed.
#include "model/SettingsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <cstdio>

int main() {
    // The model as the main window sets it up, then the defaults.
    vexa::TVirtualScopeVexaRM scope;
    scope.ApplyStoredValues();
    vexa::TSettingsVexaRM settings;
    settings.SetVirtualScope(&scope);
    settings.LoadDefaults();
    settings.SetSettingsFileName(vexa::TSettingsVexaRM::WorkingFileName);
    if (!settings.SaveToFile()) {
        std::fprintf(stderr, "vexa_default_settings: cannot write %s\n",
                     vexa::TSettingsVexaRM::WorkingFileName);
        return 1;
    }
    return 0;
}
