#include "TemplateSettings.h"

// No desktop on our Linux machines: the settings command shows nothing there.
void ShowTemplateSettings() {}
