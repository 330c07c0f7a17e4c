// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/FrontPanelWindow.h"
#include "browsers/OutlineFilter.h"

#include "Toskfile/MyExtensions.h"
#include "browsers/PanelNumberControl.h"
#include "browsers/PanelObjectData.h"
#include "canvas/Latin1.h"
#include "comms/ColObject.h"
#include "comms/ConObject.h"
#include "comms/InfObject.h"
#include "comms/KorvatelConnection.h"
#include "comms/NumObject.h"
#include "comms/RequestProgress.h"
#include "comms/SetObject.h"
#include "comms/StrObject.h"
#include "comms/SysexReply.h"
#include "comms/TrgObject.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tosk {

struct FrontPanelWindow::Row {
    std::string key;
    std::shared_ptr<BaseObject> object;
    // Null for the root, whose objects are the tree's top rows.
    QTreeWidgetItem* item = nullptr;
    ReadState state = ReadState::Unread;
    QWidget* control = nullptr; // owned by the tree
    std::unique_ptr<ValuePutThrottle> throttle;
    QTimer* timer = nullptr; // owned by the window
    ~Row() { delete timer; }
};

namespace {

constexpr int keyRole = Qt::UserRole;

QString label(const BaseObject& object)
{
    return Latin1::qstring(PanelObjectData::labelOf(object.statement(), object.tag()));
}

// Why an exchange gave nothing usable, as the status line says it; empty
// when the reply may be used.
QString failureOf(const SysexReply& reply, const std::optional<TkxException>& failure)
{
    switch (reply.status) {
    case SysexReply::Status::Ok:
        break;
    case SysexReply::Status::Empty:
        return Latin1::text("NoReply", "The unit did not answer.");
    case SysexReply::Status::Cancelled:
        return Latin1::text("FrontPanelCancelled", "Cancelled.");
    case SysexReply::Status::Failed:
        return Latin1::message(failureWords(*failure));
    case SysexReply::Status::TooShort:
    case SysexReply::Status::BadHeader:
    case SysexReply::Status::Unterminated:
        return Latin1::text("BadData", "The data received is invalid.");
    }
    if (reply.command == sysex::ERROR_TEXT) {
        // The unit's text ends at its terminator.
        auto end = std::find(reply.payload.begin(), reply.payload.end(), uint8_t(0));
        return Latin1::qstring(std::string(reply.payload.begin(), end));
    }
    return {};
}

bool isDump(const SysexReply& reply)
{
    return reply.command == sysex::OBJECT_INFO_DUMP || reply.command == sysex::PARAMETERS_DUMP;
}

std::shared_ptr<BaseObject> objectWithKey(const std::vector<std::shared_ptr<BaseObject>>& objects,
                                          const std::string& key)
{
    for (const auto& o : objects)
        if (o->key() == key)
            return o;
    return nullptr;
}

} // namespace

FrontPanelWindow::FrontPanelWindow(UnitRequester& unit, ValuePutThrottle::Clock clock, QWidget* parent)
    : QWidget(parent, Qt::Window), unit_(unit), clock_(std::move(clock)),
      self_(std::make_shared<FrontPanelWindow*>(this))
{
    setObjectName(QStringLiteral("frontPanelWindow"));
    setWindowTitle(Latin1::text("FrontPanelTitle", "Front Panel"));
    resize(560, 620);
    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    filter_ = OutlineFilter::makeField(this, QStringLiteral("filterField"),
                                       Latin1::text("FrontPanelFilter", "Find a control"),
                                       Latin1::text("FrontPanelFilterName", "Filter"));
    top->addWidget(filter_, 1);
    refresh_ = new QPushButton(Latin1::text("FrontPanelRefresh", "Refresh"), this);
    refresh_->setObjectName(QStringLiteral("refreshButton"));
    refresh_->setToolTip(Latin1::text("FrontPanelRefreshTip", "Read the open menus from the unit again"));
    top->addWidget(refresh_);
    column->addLayout(top);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("panelTree"));
    tree_->setAccessibleName(Latin1::text("FrontPanelTree", "The unit's menus and controls"));
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({Latin1::text("FrontPanelObject", "Object"), Latin1::text("FrontPanelValue", "Value")});
    tree_->header()->setSectionResizeMode(NameColumn, QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    column->addWidget(tree_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    status_->setWordWrap(true);
    status_->setAccessibleName(Latin1::text("FrontPanelStatus", "Status"));
    column->addWidget(status_);

    auto root = std::make_unique<Row>();
    root->key = sysex::ROOT_KEY;
    rows_[root->key] = std::move(root);

    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { expanded(item); });
    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(refresh_, &QPushButton::clicked, this, [this] { refresh(); });
}

FrontPanelWindow::~FrontPanelWindow()
{
    self_.reset();
    for (int tag : pending_)
        unit_.cancel(tag);
}

FrontPanelWindow::Row* FrontPanelWindow::row(const std::string& key) const
{
    auto it = rows_.find(key);
    return it == rows_.end() ? nullptr : it->second.get();
}

QTreeWidgetItem* FrontPanelWindow::itemForKey(const std::string& key) const
{
    Row* r = row(key);
    return r ? r->item : nullptr;
}

std::shared_ptr<BaseObject> FrontPanelWindow::objectForKey(const std::string& key) const
{
    Row* r = row(key);
    return r ? r->object : nullptr;
}

QWidget* FrontPanelWindow::controlForKey(const std::string& key) const
{
    Row* r = row(key);
    return r ? r->control : nullptr;
}

int FrontPanelWindow::send(uint8_t command, const std::string& key, const std::string& tail,
                           std::function<void(const Bytes&, const std::optional<TkxException>&)> done)
{
    std::string payload = key;
    payload += char(sysex::SPACE);
    payload += tail;
    auto tag = std::make_shared<int>(0);
    auto over = std::make_shared<bool>(false);
    std::weak_ptr<FrontPanelWindow*> self = self_;
    const int t = unit_.request(
        command, Bytes(payload.begin(), payload.end()), ReplyEnd::FrameEnd,
        [self, tag, over, done = std::move(done)](const Bytes& reply, const std::optional<TkxException>& failure) {
            auto window = self.lock();
            *over = true;
            if (!window)
                return;
            (*window)->pending_.erase(*tag);
            done(reply, failure);
        });
    *tag = t;
    if (!*over)
        pending_.insert(t);
    return t;
}

// ---------------------------------------------------------------- menus

void FrontPanelWindow::readRoot()
{
    Row* root = row(sysex::ROOT_KEY);
    if (root->state == ReadState::Unread || root->state == ReadState::Failed)
        read(sysex::ROOT_KEY);
}

void FrontPanelWindow::refresh()
{
    // The open menus, to be read again once their parents are.
    reopen_.clear();
    for (const auto& [key, r] : rows_)
        if (r->item && r->item->isExpanded() && r->state == ReadState::Read)
            reopen_.insert(key);
    read(sysex::ROOT_KEY);
}

void FrontPanelWindow::read(const std::string& key)
{
    Row* r = row(key);
    if (!r || r->state == ReadState::Reading)
        return;
    r->state = ReadState::Reading;
    const QString reading = Latin1::text("FrontPanelReading", "Reading...");
    if (r->item) {
        dropRowsBelow(r->item);
        auto* notice = new QTreeWidgetItem(r->item, {reading});
        notice->setFlags(Qt::ItemIsEnabled);
    } else {
        status_->setText(reading);
    }
    send(
        sysex::OBJECT_INFO_WANT, key, std::string(1, char(sysex::WANT_ALL_INFO)),
        [this, key](const Bytes& reply, const std::optional<TkxException>& failure) { menuRead(key, reply, failure); });
}

void FrontPanelWindow::menuRead(const std::string& key, const Bytes& bytes, const std::optional<TkxException>& failure)
{
    Row* r = row(key);
    if (!r)
        return;
    const SysexReply reply = SysexReply::check(bytes, failure);
    QString why = failureOf(reply, failure);
    std::vector<std::shared_ptr<BaseObject>> objects;
    if (why.isEmpty()) {
        if (isDump(reply))
            objects = KorvatelConnection::objectsInDump(bytes.data(), bytes.size(), unit_.deviceId());
        if (objects.empty())
            why = Latin1::text("BadData", "The data received is invalid.");
    }
    if (!why.isEmpty()) {
        r->state = ReadState::Failed;
        const QString text = Latin1::text("FrontPanelNotRead", "Not read: %1").arg(why);
        if (r->item) {
            dropRowsBelow(r->item);
            auto* notice = new QTreeWidgetItem(r->item, {text});
            notice->setFlags(Qt::ItemIsEnabled);
        }
        status_->setText(text);
        return;
    }
    // The menu comes first, then what it holds.
    if (auto self = objectWithKey(objects, key)) {
        r->object = self;
        if (r->item)
            r->item->setText(NameColumn, label(*self));
    }
    std::erase_if(objects, [&](const auto& o) { return o->key() == key; });
    r->state = ReadState::Read;
    if (!r->item)
        status_->clear();
    fillMenu(r->item ? r->item : tree_->invisibleRootItem(), objects);
}

void FrontPanelWindow::dropRowsBelow(QTreeWidgetItem* parent)
{
    while (parent->childCount() > 0) {
        QTreeWidgetItem* child = parent->child(0);
        dropRowsBelow(child);
        const std::string key = child->data(NameColumn, keyRole).toString().toStdString();
        if (!key.empty())
            rows_.erase(key);
        delete child;
    }
}

void FrontPanelWindow::fillMenu(QTreeWidgetItem* parent, const std::vector<std::shared_ptr<BaseObject>>& children)
{
    dropRowsBelow(parent);
    std::vector<QTreeWidgetItem*> reopen;
    for (const auto& object : children) {
        // A key shown elsewhere already is the unit repeating itself.
        if (object->key().empty() || rows_.count(object->key()))
            continue;
        QTreeWidgetItem* item = addRow(parent, object);
        if (reopen_.erase(object->key()))
            reopen.push_back(item);
    }
    applyFilter();
    for (QTreeWidgetItem* item : reopen)
        item->setExpanded(true);
}

QTreeWidgetItem* FrontPanelWindow::addRow(QTreeWidgetItem* parent, const std::shared_ptr<BaseObject>& object)
{
    auto r = std::make_unique<Row>();
    r->key = object->key();
    r->object = object;
    auto* item = new QTreeWidgetItem(parent, {label(*object)});
    item->setData(NameColumn, keyRole, QString::fromStdString(r->key));
    item->setToolTip(NameColumn, Latin1::qstring(object->statement()));
    r->item = item;
    if (auto* menu = dynamic_cast<const ColObject*>(object.get()); menu && menu->subObjectCount() > 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    Row& ref = *r;
    rows_[r->key] = std::move(r);
    if (QWidget* control = makeControl(ref)) {
        ref.control = control;
        tree_->setItemWidget(item, ValueColumn, control);
    }
    return item;
}

QWidget* FrontPanelWindow::makeControl(Row& r)
{
    const BaseObject* o = r.object.get();
    const QString name = label(*o);
    const std::string key = r.key;
    QWidget* control = nullptr;
    if (auto* num = dynamic_cast<const NumObject*>(o)) {
        auto* number = new PanelNumberControl(num->minimum(), num->maximum(), num->resolution());
        number->setControlName(name);
        connect(number, &PanelNumberControl::edited, this, [this, key](double v) { edited(key, numberString(v)); });
        control = number;
    } else if (auto* set = dynamic_cast<const SetObject*>(o)) {
        auto* choice = new QComboBox();
        for (const auto& s : set->strings())
            choice->addItem(Latin1::qstring(s));
        // The unit takes a choice by its index, as the criteria sheet sends it.
        connect(choice, &QComboBox::activated, this,
                [this, key](int index) { edited(key, numberString(double(index))); });
        control = choice;
    } else if (dynamic_cast<const StrObject*>(o)) {
        auto* text = new QLineEdit();
        connect(text, &QLineEdit::editingFinished, this, [this, key, text] {
            Row* now = row(key);
            auto* str = now ? dynamic_cast<const StrObject*>(now->object.get()) : nullptr;
            const std::string value = Latin1::bytes(text->text());
            if (!str || value == str->value().value_or(""))
                return;
            // Inside the put's frame these would end or restart it.
            if (value.find_first_of("\xF0\xF7") != std::string::npos) {
                putBack(*now, Latin1::text("FrontPanelRefused", "%1 was not set to %2: %3")
                                  .arg(label(*now->object), text->text(),
                                       Latin1::text("FrontPanelFrameByte",
                                                    "the unit's messages cannot carry the characters ð and ÷")));
                return;
            }
            edited(key, value);
        });
        control = text;
    } else if (dynamic_cast<const ConObject*>(o) || dynamic_cast<const InfObject*>(o)) {
        auto* value = new QLabel();
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        control = value;
    } else if (dynamic_cast<const TrgObject*>(o)) {
        // Shown for what it is; nothing here can set it off.
        auto* trigger = new QLabel(Latin1::text("FrontPanelTrigger", "trigger"));
        trigger->setEnabled(false);
        control = trigger;
    } else {
        return nullptr;
    }
    control->setAccessibleName(name);
    if (auto* number = qobject_cast<PanelNumberControl*>(control))
        number->setControlName(name);
    control->setObjectName(QStringLiteral("control") + QString::fromStdString(key));
    r.control = control;
    if (qobject_cast<PanelNumberControl*>(control) || qobject_cast<QComboBox*>(control) ||
        qobject_cast<QLineEdit*>(control)) {
        r.throttle = std::make_unique<ValuePutThrottle>(clock_);
        r.timer = new QTimer(this);
        r.timer->setSingleShot(true);
        connect(r.timer, &QTimer::timeout, this, [this, key] { sendDue(key); });
    }
    showValue(r);
    return control;
}

void FrontPanelWindow::showValue(Row& r)
{
    const BaseObject* o = r.object.get();
    if (auto* number = qobject_cast<PanelNumberControl*>(r.control)) {
        if (auto* num = dynamic_cast<const NumObject*>(o)) {
            number->setLimits(num->minimum(), num->maximum(), num->resolution());
            number->setValue(num->value());
        }
    } else if (auto* choice = qobject_cast<QComboBox*>(r.control)) {
        if (auto* set = dynamic_cast<const SetObject*>(o)) {
            QSignalBlocker block(choice);
            if (choice->count() != int(set->numberOfStrings())) {
                choice->clear();
                for (const auto& s : set->strings())
                    choice->addItem(Latin1::qstring(s));
            }
            choice->setCurrentIndex(int(set->currentIndex()));
        }
    } else if (auto* text = qobject_cast<QLineEdit*>(r.control)) {
        if (auto* str = dynamic_cast<const StrObject*>(o)) {
            QSignalBlocker block(text);
            text->setText(Latin1::qstring(str->value().value_or("")));
        }
    } else if (auto* value = qobject_cast<QLabel*>(r.control)) {
        if (dynamic_cast<const ConObject*>(o) || dynamic_cast<const InfObject*>(o))
            value->setText(Latin1::qstring(PanelObjectData(r.object).valueText()));
    }
}

void FrontPanelWindow::expanded(QTreeWidgetItem* item)
{
    Row* r = row(item->data(NameColumn, keyRole).toString().toStdString());
    if (!r || !dynamic_cast<const ColObject*>(r->object.get()))
        return;
    if (r->state == ReadState::Unread || r->state == ReadState::Failed)
        read(r->key);
}

// ---------------------------------------------------------------- puts

void FrontPanelWindow::edited(const std::string& key, const std::string& value)
{
    Row* r = row(key);
    if (!r || !r->throttle)
        return;
    if (std::optional<std::string> now = r->throttle->offer(value))
        put(*r, *now);
    else if (auto wait = r->throttle->untilDue())
        r->timer->start(std::max<int>(1, int(wait->count())));
}

void FrontPanelWindow::sendDue(const std::string& key)
{
    Row* r = row(key);
    if (!r || !r->throttle)
        return;
    if (std::optional<std::string> now = r->throttle->takeDue())
        put(*r, *now);
    else if (auto wait = r->throttle->untilDue())
        r->timer->start(std::max<int>(1, int(wait->count())));
}

void FrontPanelWindow::put(Row& r, const std::string& value)
{
    const std::string key = r.key;
    send(sysex::VALUE_PUT, key, value, [this, key, value](const Bytes& reply, const std::optional<TkxException>& f) {
        putAnswered(key, value, reply, f);
    });
}

void FrontPanelWindow::putAnswered(const std::string& key, const std::string& value, const Bytes& bytes,
                                   const std::optional<TkxException>& failure)
{
    Row* r = row(key);
    if (!r || !r->throttle)
        return;
    r->throttle->answered();
    const SysexReply reply = SysexReply::check(bytes, failure);
    if (reply.status == SysexReply::Status::Empty) {
        // The unit took the put without a word: ask what it kept.
        readBack(key);
    } else if (const QString why = failureOf(reply, failure); !why.isEmpty()) {
        putBack(*r, Latin1::text("FrontPanelRefused", "%1 was not set to %2: %3")
                        .arg(label(*r->object), Latin1::qstring(value), why));
        return;
    } else if (auto object = isDump(reply) ? objectWithKey(KorvatelConnection::objectsInDump(bytes.data(), bytes.size(),
                                                                                             unit_.deviceId()),
                                                           key)
                                           : nullptr) {
        status_->clear();
        takeObject(*r, object);
    } else {
        readBack(key);
    }
    sendDue(key);
}

void FrontPanelWindow::readBack(const std::string& key)
{
    send(sysex::OBJECT_INFO_WANT, key, std::string(1, char(sysex::WANT_ALL_INFO)),
         [this, key](const Bytes& bytes, const std::optional<TkxException>& failure) {
             Row* r = row(key);
             if (!r)
                 return;
             const SysexReply reply = SysexReply::check(bytes, failure);
             QString why = failureOf(reply, failure);
             std::shared_ptr<BaseObject> object;
             if (why.isEmpty() && isDump(reply))
                 object = objectWithKey(KorvatelConnection::objectsInDump(bytes.data(), bytes.size(), unit_.deviceId()),
                                        key);
             if (!object) {
                 if (why.isEmpty())
                     why = Latin1::text("BadData", "The data received is invalid.");
                 status_->setText(
                     Latin1::text("FrontPanelNoReadBack", "%1 could not be read back: %2").arg(label(*r->object), why));
                 return;
             }
             status_->clear();
             takeObject(*r, object);
         });
}

void FrontPanelWindow::putBack(Row& r, const QString& why)
{
    r.throttle->forget();
    r.timer->stop();
    showValue(r);
    status_->setText(why);
}

void FrontPanelWindow::takeObject(Row& r, const std::shared_ptr<BaseObject>& object)
{
    // A control of another kind would need another row; the next read of
    // its menu makes it.
    if (typeid(*object) != typeid(*r.object))
        return;
    r.object = object;
    r.item->setText(NameColumn, label(*object));
    // A value the user has moved on from is not shown over the newer one.
    if (!r.throttle || !r.throttle->isWaiting())
        showValue(r);
}

bool FrontPanelWindow::hasWaitingValue() const
{
    return std::any_of(rows_.begin(), rows_.end(),
                       [](const auto& entry) { return entry.second->throttle && entry.second->throttle->isWaiting(); });
}

// ---------------------------------------------------------------- filter

void FrontPanelWindow::applyFilter()
{
    const QString text = filter_->text().trimmed();
    QTreeWidgetItem* top = tree_->invisibleRootItem();
    for (int i = 0; i < top->childCount(); ++i)
        filterItem(top->child(i), text);
}

bool FrontPanelWindow::filterItem(QTreeWidgetItem* item, const QString& text)
{
    const bool notice = item->data(NameColumn, keyRole).toString().isEmpty();
    const bool match = text.isEmpty() || (!notice && (item->text(NameColumn).contains(text, Qt::CaseInsensitive) ||
                                                      item->toolTip(NameColumn).contains(text, Qt::CaseInsensitive)));
    // What a matching menu holds stays in view with it.
    bool childShown = false;
    for (int i = 0; i < item->childCount(); ++i)
        childShown |= filterItem(item->child(i), match ? QString() : text);
    const bool shown = match || childShown;
    item->setHidden(!shown);
    if (!text.isEmpty() && childShown && !match)
        item->setExpanded(true);
    return shown;
}

} // namespace tosk
