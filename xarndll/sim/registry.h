// Which simulated card a context drives. CardContext::driverHandle holds the card's id; 0, or an
// id the registry does not know (a released card, a copied or corrupted context), means "no card
// yet": the next call gives the context a fresh card and a fresh id. Ids are never reused.
#pragma once

#include "card/xarndll.h"
#include "xarndll/sim/sim_card.h"

namespace xarnsim {

SimCard& cardFor(CardContext& context);
SimCard* findCard(const CardContext& context);
void releaseCard(CardContext& context);

}  // namespace xarnsim
