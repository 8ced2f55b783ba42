#pragma once
// The language table at work: choosing its content (the built-in English file, or the language file
// the registry names), translating forms by the naming rule and writing the translators' template.
// The functions live in the namespace mui because WinUtilsUnit already has a global GetWinVersion
// with the Updater's mapping; the Server Manager calls mui::GetWinVersion.
//
// Naming rule: a form's caption has the key of its class name ("TSettingsForm"); an owned component's
// caption the class name followed by the component's name ("TSettingsFormOkButton"); a check box's
// hint adds "Hint"; the i-th item of a combo or list box and the i-th node of a tree view add i.
#include "CommandLine.h"
#include "WinUtilsUnit.h"
#include "ui/Forms.h"

#include <string>

namespace mui {

// Loads the resource LANGFILE into the language table; raises EResNotFound when the program has none.
void LoadDefaultLanguage();

// The registry path (subkey and value name) of the chosen language file, from the table.
std::string LanguageRegistryPath();

// Loads the language file named in the registry. When that file does not exist but "lang\manager.lng"
// does beside the executable, that one is loaded and its path remembered in the registry (a failed
// write is ignored). A value of the wrong type raises ERegistryException.
void LoadLanguageFile();

// Applies the table to the form and the components it owns, in their order; whatever has no entry
// keeps its current text, and a list keeps its selected item.
void TranslateForm(ui::TForm& AForm);
// TranslateForm for every form there is, in the screen's order.
void TranslateAllForms();
// Writes the current texts of every form as a language file in the ANSI code page, "key=text" per
// line; an existing file is replaced. False when the file cannot be written.
bool ExportTemplate(const std::string& AFileName);
// With the switch tpl_export ("-" or "/", any letter case) writes "temp.lng" beside the executable,
// keeps the main window from showing and ends the application; true when it did.
bool HandleTemplateSwitch(const TParams& AParams = CommandLineParams());

// The version class as the Server Manager sees it: every major version other than 4, 5 and 6 counts
// as wvVista, so current Windows reaches the 64-bit registry view.
TWinVersion GetWinVersion();

} // namespace mui
