#include "runtime/qt/label_text.h"

namespace {

QString Convert(const std::string& label, bool keepMnemonic) {
    const QString text = QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('_') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('_')) {
            ++i; // the mark; the next character is the key
            if (keepMnemonic && i + 1 < text.size() && text.at(i + 1) != QLatin1Char('&')) {
                out += QLatin1Char('&');
            }
            continue;
        }
        if (c == QLatin1Char('&') && keepMnemonic) out += QLatin1Char('&');
        out += c;
    }
    return out;
}

} // namespace

QString MnemonicText(const std::string& label) {
    return Convert(label, true);
}
QString PlainLabelText(const std::string& label) {
    return Convert(label, false);
}
