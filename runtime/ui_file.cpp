// Reads Designer XML with QtCore's stream reader into the records of ui_file.h.
#include "runtime/ui_file.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

namespace corvane::model {
namespace {

std::string Str(QStringView s) {
    return s.toString().toStdString();
}

int Line(const QXmlStreamReader& r) {
    return static_cast<int>(r.lineNumber());
}

void ReadProperty(QXmlStreamReader& r, UiProperty* p) {
    p->name = Str(r.attributes().value(QLatin1String("name")));
    p->line = Line(r);
    while (r.readNextStartElement()) {
        p->type = Str(r.name());
        // Compound values (rect, font, size, color) have child elements; simple ones a text.
        QString text;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isCharacters()) {
                text += r.text();
            } else if (r.isStartElement()) {
                std::string field = Str(r.name());
                p->fields[field] = r.readElementText(QXmlStreamReader::IncludeChildElements)
                                       .trimmed()
                                       .toStdString();
            } else if (r.isEndElement()) {
                break;
            }
        }
        if (p->fields.empty()) p->text = text.toStdString();
    }
}

void ReadItem(QXmlStreamReader& r, UiWidget* w) {
    std::vector<UiProperty> item;
    while (r.readNextStartElement()) {
        if (r.name() == QLatin1String("property")) {
            UiProperty p;
            ReadProperty(r, &p);
            item.push_back(std::move(p));
        } else {
            r.skipCurrentElement();
        }
    }
    w->items.push_back(std::move(item));
}

void ReadAction(QXmlStreamReader& r, UiDocument* doc) {
    UiAction a;
    a.name = Str(r.attributes().value(QLatin1String("name")));
    a.line = Line(r);
    while (r.readNextStartElement()) {
        if (r.name() == QLatin1String("property")) {
            UiProperty p;
            ReadProperty(r, &p);
            a.properties.push_back(std::move(p));
        } else {
            r.skipCurrentElement();
        }
    }
    doc->actions.push_back(std::move(a));
}

void ReadWidget(QXmlStreamReader& r, UiWidget* w, UiDocument* doc) {
    w->className = Str(r.attributes().value(QLatin1String("class")));
    w->name = Str(r.attributes().value(QLatin1String("name")));
    w->line = Line(r);
    while (r.readNextStartElement()) {
        auto tag = r.name();
        if (tag == QLatin1String("property")) {
            UiProperty p;
            ReadProperty(r, &p);
            w->properties.push_back(std::move(p));
        } else if (tag == QLatin1String("widget")) {
            UiWidget child;
            ReadWidget(r, &child, doc);
            w->children.push_back(std::move(child));
        } else if (tag == QLatin1String("item")) {
            ReadItem(r, w);
        } else if (tag == QLatin1String("addaction")) {
            w->addActions.push_back(Str(r.attributes().value(QLatin1String("name"))));
            r.skipCurrentElement();
        } else if (tag == QLatin1String("action")) {
            ReadAction(r, doc);
        } else if (tag == QLatin1String("layout")) {
            if (!w->layoutLine) w->layoutLine = Line(r);
            r.skipCurrentElement();
        } else {
            r.skipCurrentElement(); // attribute, zorder, ...
        }
    }
}

} // namespace

const UiProperty* UiWidget::property(const std::string& propertyName) const {
    for (const auto& p : properties)
        if (p.name == propertyName) return &p;
    return nullptr;
}

const UiProperty* UiAction::property(const std::string& propertyName) const {
    for (const auto& p : properties)
        if (p.name == propertyName) return &p;
    return nullptr;
}

bool ReadUiDocument(const std::string& bytes, UiDocument* doc, int* errorLine, std::string* error) {
    QXmlStreamReader r(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    bool haveRoot = false;
    if (r.readNextStartElement()) {
        if (r.name() != QLatin1String("ui")) {
            *errorLine = Line(r);
            *error =
                "not a Designer file: the document element is <" + Str(r.name()) + ">, not <ui>";
            return false;
        }
        while (r.readNextStartElement()) {
            if (r.name() == QLatin1String("widget") && !haveRoot) {
                ReadWidget(r, &doc->root, doc);
                haveRoot = true;
            } else {
                r.skipCurrentElement();
            }
        }
    }
    if (!r.hasError()) r.readNext(); // reports content after the document element
    if (r.hasError() && r.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        *errorLine = Line(r);
        *error = "malformed XML: " + r.errorString().toStdString();
        return false;
    }
    if (r.hasError()) {
        *errorLine = Line(r);
        *error = "malformed XML: the document ends early";
        return false;
    }
    if (!haveRoot) {
        *errorLine = Line(r);
        *error = "no widget in the file";
        return false;
    }
    return true;
}

} // namespace corvane::model
