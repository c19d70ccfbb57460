#pragma once
// The carrier list page of the wizards: the carriers in their order (Name, Bits, Order), added
// from the file dialog or a drop by a job on the worker, removed with Delete and moved one place
// with "+" and "-"; counters below, and for hiding a warning line for carriers past the stream.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "jobs/carrier_list.h"
#include "ui/filters.h"

class QLabel;
class QPushButton;

namespace murl::ui {

class DropTree;
class WizardHost;

struct CarrierPageSetup {
  bool orderColumn = true;  // the "#00000" column; authoring has none
  bool streamBits = true;   // "Bits: held/stream" and the warning line; else "Bits: held"
  bool bitsCounter = true;  // authoring keeps no total
  CarrierChoice filters = CarrierChoice::kWithModules;
  // Whether "Next" may be pressed with the list as it is.
  std::function<bool(const CarrierList&)> ready;
};

class CarriersPage : public QWidget {
  Q_OBJECT

 public:
  CarriersPage(WizardHost& host, CarrierList& list, CarrierPageSetup setup);

  DropTree* list() const { return rows_; }
  QPushButton* addButton() const { return add_; }
  QPushButton* nextButton() const { return next_; }
  QLabel* warningLine() const { return warning_; }
  QLabel* pathLine() const { return path_; }
  QLabel* carriersCounter() const { return count_; }
  QLabel* bitsCounter() const { return bits_; }

  // Asks for carriers in the file dialog; chosen ones are handed to addRequested().
  void chooseCarriers();
  // Rows, counters, buttons and warning drawn again from the list; the last row is shown.
  void refresh();
  // Delete, plus or minus on the selected rows.
  void key(int key);

 signals:
  // The wizard adds these on the worker, then calls refresh().
  void addRequested(const std::vector<std::string>& paths);
  void next();

 private:
  void fillRows(const std::vector<bool>& selected, size_t visible);
  std::vector<bool> selection() const;

  WizardHost& host_;
  CarrierList& carriers_;
  CarrierPageSetup setup_;
  DropTree* rows_;
  QPushButton* add_;
  QPushButton* next_;
  QLabel* count_;
  QLabel* bits_;
  QLabel* warning_;
  QLabel* path_;
};

}  // namespace murl::ui
