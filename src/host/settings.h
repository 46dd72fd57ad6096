// The stored settings: "resolution", "sound" and "customize" under SOFTWARE\Harvelle\<product>.
#pragma once

#include "host/form.h"

#include "platform/registry.h"

// Lines joined into one string, quoting where needed; and the reverse.
std::string commaText(const StringList& lines);
StringList fromCommaText(const std::string& text);

std::string settingsKeyPath();   // SOFTWARE\Harvelle\<saverName()>

// Loads the three values into the form's controls, or the defaults when the key is missing.
void loadSettings(TForm1& form, const RegistryRoot& root);

// Writes the three values from the form's controls, creating the key if needed.
void storeSettings(TForm1& form, const RegistryRoot& root);
