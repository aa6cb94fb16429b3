#include "ui/CardOfferBar.h"

#include "platform/qt/Translation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace orvane {

CardOfferBar::CardOfferBar(CardOffers& offers, QWidget* parent) : QFrame(parent), offers_(offers) {
    setObjectName(QStringLiteral("cardOfferBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, colors.color(QPalette::AlternateBase));
    setPalette(colors);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 8, 6);
    layout->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_DriveFDIcon).pixmap(20, 20));
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    use_ = new QPushButton(tr("Use as source"), this);
    use_->setAutoDefault(false);
    dismiss_ = new QPushButton(tr("Dismiss"), this);
    dismiss_->setAutoDefault(false);
    dismiss_->setFlat(true);
    layout->addWidget(icon);
    layout->addWidget(label_, 1);
    layout->addWidget(use_);
    layout->addWidget(dismiss_);
    connect(use_, &QPushButton::clicked, this, [this] { offers_.useAsSource(); });
    connect(dismiss_, &QPushButton::clicked, this, [this] { offers_.dismiss(); });

    hide();
    offers_.setView(this);
}

CardOfferBar::~CardOfferBar() {
    offers_.setView(nullptr);
}

void CardOfferBar::showCardOffer(const std::string& text) {
    label_->setText(windowText(text));
    show();
}

void CardOfferBar::hideCardOffer() {
    hide();
}

} // namespace orvane
