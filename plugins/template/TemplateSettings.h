// The settings "dialog" of TemplatePlugin: a message box on Windows, nothing elsewhere.
#pragma once

void ShowTemplateSettings();
