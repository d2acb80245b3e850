#include "ui/gamefile.h"

#include <initializer_list>

char FEN_string[128];
char pgn_event[kTagSize], pgn_site[kTagSize], pgn_date[kTagSize], pgn_round[kTagSize];
char pgn_white[kTagSize], pgn_black[kTagSize], pgn_result[kTagSize];

void ClearGameTags() {
  for (char* tag : {pgn_event, pgn_site, pgn_date, pgn_round, pgn_white, pgn_black, pgn_result})
    tag[0] = '\0';
  FEN_string[0] = '\0';
}
