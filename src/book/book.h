// Opening books.
//
// Text books (one opening line per text line, coordinate moves with marks)
// are compiled once into two fixed-size open-addressing hash files beside
// the program: vorna.lbk for the positions of the first lbk_hbk + 1
// half-moves (six moves per record, 16-bit weights) and vorna.hbk for the
// later ones (four moves, 8-bit weights). A position's record is the first
// of the 108 slots from hashkey mod N on that holds its hashbd or is empty.
// The files are read and written record by record, little-endian, through
// the buffers bent and lent; nothing is cached in memory. vorna.sbk, a text
// file, holds the record counts and lbk_hbk. Compiling writes new files
// beside the old ones, which they replace only once all are whole: a
// failure, said in one line, leaves the book as it was.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int kSmallMoves = 4;    // move slots of a small-book record
constexpr int kLargeMoves = 6;    // move slots of a large-book record
constexpr int kSmallRecord = 16;  // bytes of a small-book record
constexpr int kLargeRecord = 28;  // bytes of a large-book record
constexpr int kBookProbes = 108;  // slots examined from the home slot on

struct SmallBookEntry {
  uint32_t key;  // hashbd of the position; 0 = empty record
  uint16_t move[kSmallMoves];
  uint8_t weight[kSmallMoves];
};

struct LargeBookEntry {
  uint32_t key;
  uint16_t move[kLargeMoves];
  uint16_t weight[kLargeMoves];
};

extern int32_t tbooksz;       // records of the small book
extern int32_t lbooksz;       // records of the large book
extern int32_t lbk_hbk;       // last GameCnt whose positions live in the large book
extern int32_t BookOn;        // both book files open and in use
extern int32_t BookReadOnly;  // the book files could only be opened for reading
extern int32_t LastBookMove;  // GameCnt when the last book move was played
extern int32_t line_no;       // lines read by AddBook since the start
extern char sbk_path[255], hbk_path[255], lbk_path[255];
extern SmallBookEntry bent;
extern LargeBookEntry lent;

// A new game opens the book window again.
void NewGameBook();
// Reads the size file and opens the book files; compiles the text books of
// the current directory when there is no small book yet.
void OpenBook();
// Closes both book files; the book is off.
void CloseBook();
// Closes an open book or opens a closed one; lang picks English messages.
void SwitchBook(int lang);
// Writes the size file and both book files filled with empty records; the
// book files are open afterwards.
void InitBook();
// Counts used records and stored moves of both files.
void StatBook();
// Compiles one text book into (a copy of) the book files.
void AddBook(const char* path);

// Plays one text-book line from the initial position into the book:
// 0 when done, -1 when an invalid or impossible move stopped it.
int scan_opening_line(char* line);
// The short move at the start of text, 0 when invalid or impossible.
uint16_t decode_opening_move(const char* text, int* status);
// Non-negative when a legal move from -> to exists for the side opponent.
int update(int from, int to);
// Stores move for the current position with the weight increment inc.
void PutInBook(uint16_t move, int inc);
void PutInSmallBook(uint16_t move, int inc);
void PutInLargeBook(uint16_t move, int inc);

// Puts a book move first in the root list: 1 when the position is in the book.
int OpeningBook();
// Chooses a move of the current position from the book, 0 when none.
void GetFromBook(uint16_t* move);
void GetFromSmallBook(uint16_t* move);
void GetFromLargeBook(uint16_t* move);
// Book move number *index of the current position (probing at index 0),
// with its weight; the index moves on. 0 when there is none.
uint16_t RepFromBook(int* index, int* weight);
