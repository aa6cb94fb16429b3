#pragma once

#include "app/CardOffers.h"

#include <QFrame>

class QLabel;
class QPushButton;

namespace orvane {

// The bar at the top of the main window that offers an inserted card:
// "Card 'EOS_DIGITAL' (1,234 photos) inserted · Use as source · Dismiss". Hidden otherwise.
class CardOfferBar : public QFrame, public CardOfferView {
    Q_OBJECT
  public:
    explicit CardOfferBar(CardOffers& offers, QWidget* parent = nullptr);
    ~CardOfferBar() override;

    void showCardOffer(const std::string& text) override;
    void hideCardOffer() override;

    QLabel* label() const { return label_; }
    QPushButton* useButton() const { return use_; }
    QPushButton* dismissButton() const { return dismiss_; }

  private:
    CardOffers& offers_;
    QLabel* label_ = nullptr;
    QPushButton* use_ = nullptr;
    QPushButton* dismiss_ = nullptr;
};

} // namespace orvane
