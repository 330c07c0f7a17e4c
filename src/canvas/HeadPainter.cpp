#include "canvas/HeadPainter.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/Module.h"
#include "base/PreferenceController.h"
#include "canvas/BadgePainter.h"
#include "canvas/CanvasStyle.h"
#include "canvas/Latin1.h"

#include <QPainter>

#include <algorithm>

namespace tosk {

namespace {

struct HeadBox {
    ModuleField* field;
    Rect rect;
    QString label;
    bool oval;
};

// "out1in" is shown as "out1": the name up to its first "in".
std::string outputLabel(const std::string& name)
{
    size_t at = name.find("in");
    return at == std::string::npos ? name : name.substr(0, at);
}

} // namespace

void HeadPainter::drawHeadFields(QPainter* painter, Module& head, double right, const ModuleField* selectedField,
                                 int showMode, double& maxX, double& maxY)
{
    using S = CanvasStyle;
    const double menuX = kBoxWidth / 2 - kMenuBoxWidth / 2;
    std::vector<HeadBox> boxes;
    double outputBottom = 0, inputBottom = 0;
    int outputs = 0, inputs = 0;
    // Each field's repetition and name, counted in one pass: a damaged file
    // can repeat a group of the head thousands of times.
    const auto& fields = head.fieldArray();
    std::vector<int> instances;
    std::vector<std::string> names;
    InstanceCounter counter;
    for (const auto& f : fields) {
        instances.push_back(counter.next(*f));
        names.push_back(f->entryName(OperatorField::NAME, instances.back()));
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        const std::string& name = names[i];
        switch (f->type()) {
        case OperatorEntry::ED_SIGNAL: {
            Rect r(right, kPitch * outputs++ + 8, kBoxWidth, kBoxHeight);
            outputBottom = std::max(outputBottom, r.maxY());
            boxes.push_back({f.get(), r, QStringLiteral("> ") + Latin1::qstring(outputLabel(name)), false});
            break;
        }
        case OperatorEntry::ED_USEROBJ: {
            const int instance = instances[i];
            Rect r(right + menuX, outputBottom + kBoxSpace * (instance + 1), kMenuBoxWidth, kBoxHeight);
            boxes.push_back({f.get(), r, QString::number(instance), false});
            break;
        }
        case OperatorEntry::SIGNAL: {
            if (name == "null")
                break;
            int index = inputs++;
            // A left/right pair is drawn the other way round: right on top.
            if (name == "left" || name == "right")
                index ^= 1;
            Rect r(0, kPitch * index + 8, kBoxWidth, kBoxHeight);
            inputBottom = std::max(inputBottom, r.maxY());
            boxes.push_back({f.get(), r, Latin1::qstring(name) + QStringLiteral(" >"), false});
            break;
        }
        default:
            break;
        }
    }
    int controls = 0;
    for (size_t i = 0; i < fields.size(); ++i)
        if (const auto& f = fields[i]; f->type() == OperatorEntry::CONTROL && names[i] != "zero") {
            ++controls;
            Rect r(menuX, inputBottom + kBoxSpace * controls, kMenuBoxWidth, kBoxHeight);
            boxes.push_back({f.get(), r, QString::number(controls), true});
        }

    const QColor fill = S::role(ci_fill);
    for (const auto& box : boxes) {
        box.field->setRect(box.rect);
        maxX = std::max(maxX, box.rect.maxX());
        maxY = std::max(maxY, box.rect.maxY());
        if (!painter)
            continue;
        QColor stroke = S::role(box.field->strokeColor());
        double width = box.field == selectedField ? 2 : 1;
        QRectF r = S::qrect(box.rect);
        if (box.oval) {
            S::strokeOval(*painter, r, stroke, width, &fill);
        } else {
            painter->setPen(QPen(stroke, width));
            painter->setBrush(fill);
            painter->drawRect(r);
        }
        S::drawCenteredText(*painter, box.label, r, S::System10, stroke);
    }
    if (painter && (showMode & Module::SHOW_ORDER))
        BadgePainter::drawHeadBadge(*painter, head);
}

} // namespace tosk
