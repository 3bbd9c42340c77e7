// Labels of controls and menus mark their access key as the panel files do: "__" before the
// key's letter ("__Exit" shows "Exit" with the E underlined).
#pragma once

#include <QString>

#include <string>

// Qt's form: "&Exit"; a literal "&" is doubled.
QString MnemonicText(const std::string& label);
// The text without the marks: "Exit".
QString PlainLabelText(const std::string& label);
