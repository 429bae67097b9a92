// The LDB queue page: the raw word queue, or the message queue of the running mode (the bus
// controller's messages in LDB_BCT, the terminals' commands in LDB_MRT), one entry a line.
#pragma once

#include <string>

#include "card/records.h"
#include "ui/queue_page.h"

namespace ldb {

class QUEdialog final : public ui::QueuePage {
 public:
  using QueuePage::QueuePage;
  void init() override;

 private:
  enum class Queue { Raw, Messages, Commands };
  Queue chosen();
  void update() override;
  void clear() override;
  void otherCommand(int id) override;
  // One call on the chosen queue with `operation`; the entry's line when the card gave one.
  bool readEntry(Queue queue, uint16_t operation, std::string& line);

  BinQueueRecord raw_{};
  BcQueueRecord messages_{};
  RtQueueRecord commands_{};
  uint16_t lastStatus_ = 0;  // a failed read shows as the list's last line: no Report field
};

// The text of one entry of each queue.
std::string rawQueueLine(const BinQueueRecord& entry);
std::string messageQueueLine(const BcQueueRecord& entry);
std::string commandQueueLine(const RtQueueRecord& entry);

}  // namespace ldb
