/* terminals.c: two remote terminals of the local data bus, in a program of your own.
 *
 * The program opens a card through the station's driver, puts it in LDB_MRT mode, switches on
 * two terminals and runs the card. Terminal B (6 by default) has data to give: its status word
 * says so (non-critical data, ready) and its TX buffer changes every second. Terminal A (5 by
 * default) takes data: every 100 ms the program reads the card's command queue and terminal A's
 * RX buffer and prints what arrived.
 *
 * It uses nothing but the driver's installed header and library:
 *
 *     cc terminals.c $(pkg-config --cflags --libs xarndll) -o terminals
 *     ./terminals [--rt A,B] [--seconds N]
 *
 * Alone, the card's own simulated partner controller commands the two terminals. With the
 * environment variable XARN_BUS=NAME the card joins the simulated bus NAME instead, and a
 * controller station on that bus (`xarn_win --bus NAME` or `xarn_console --bus NAME` in LDB_BCT)
 * commands them: its TX messages to A land in A's RX buffer, its RX messages from B carry B's
 * TX data.
 *
 * Options:
 *     --rt A,B      the two terminal addresses, 0 to 31, different (default 5,6)
 *     --seconds N   stop after N seconds (default: run until SIGINT or SIGTERM)
 *
 * Output, one line an event on standard output (line-buffered), made to be read by a script.
 * Numbers are decimal, bus words and status words hexadecimal (six and four digits):
 *     start rt=A,B bus=NAME                       once the card runs (bus=none without XARN_BUS)
 *     tx rt=B second=S data=W0 W1 ... W7          B's TX buffer holds new data (S = 0, 1, 2 ...)
 *     command rt=R code=C bits=BBBB word=WWWWWW errors=EEEE
 *                                                 one a command a terminal received, from the
 *                                                 command queue: its address, command code,
 *                                                 command bits 14..0, the whole command word and
 *                                                 the queue's error bits (0200: entries were lost)
 *     rx rt=A status=SSSS data=W0 W1 ... W7       A's RX buffer changed: its buffer status
 *                                                 (bit 15 filled, bits 9..0 the word count) and
 *                                                 its first eight words
 *     stop commands=N                             the card is halted; N commands were printed
 * Errors go to standard error as `error FUNCTION status N` (exit status 1); a bad option prints
 * the usage (exit status 2).
 *
 * The data words follow the bus's data word layout: the terminal address in bits 23..19, 16
 * data bits in bits 18..3, 101 in bits 2..0. B's word i carries S * 32 + i in its data bits.
 */
#define _POSIX_C_SOURCE 200809L

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xarndll.h>

enum {
  kCardPci = 1,   /* DUVEX_InitDLL: the PCI card, */
  kBigEndian = 1, /* big-endian, no serial port */
  kModeLdbMrt = 2,
  kCommandRun = 10,
  kCommandHalt = 11,
  kRtOn = 0x8000,     /* a terminal record's mode word */
  kBothBuses = 3,     /* bus select: primary and secondary */
  kNoData = 0x0000,   /* action: ready, no data to give */
  kHasData = 0x0C00,  /* action: ready, non-critical data to give */
  kStateWfi = 0x0001, /* protocol state: waiting for the controller's first command */
  kQueueTake = 1,     /* queue operation: take the newest entry */
  kQueueDepth = 1024, /* entries the command queue holds */
  kTxWords = 32,      /* words of B's TX buffer the program fills */
  kShownWords = 8,    /* words a tx or rx line shows */
  kPollMs = 100,
};

struct Options {
  unsigned rxRt; /* A: the terminal that takes data */
  unsigned txRt; /* B: the terminal that gives data */
  long seconds;  /* 0: until a signal */
};

static volatile sig_atomic_t stopRequested = 0;

static void requestStop(int signalNumber) {
  (void)signalNumber;
  stopRequested = 1;
}

static void usage(FILE* to, const char* program) {
  fprintf(to, "usage: %s [--rt A,B] [--seconds N]\n", program);
}

/* A whole number in [low, high], all of `text`. */
static int parseNumber(const char* text, long low, long high, long* value) {
  char* end = NULL;
  errno = 0;
  long n = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || n < low || n > high) return 0;
  *value = n;
  return 1;
}

/* "A,B": two different terminal addresses. */
static int parseTerminals(const char* text, struct Options* options) {
  char first[16];
  const char* comma = strchr(text, ',');
  long a = 0;
  long b = 0;
  if (!comma || (size_t)(comma - text) >= sizeof first) return 0;
  memcpy(first, text, (size_t)(comma - text));
  first[comma - text] = '\0';
  if (!parseNumber(first, 0, 31, &a) || !parseNumber(comma + 1, 0, 31, &b) || a == b) return 0;
  options->rxRt = (unsigned)a;
  options->txRt = (unsigned)b;
  return 1;
}

static int parseOptions(int argc, char** argv, struct Options* options) {
  options->rxRt = 5;
  options->txRt = 6;
  options->seconds = 0;
  for (int i = 1; i < argc; ++i) {
    const char* value = i + 1 < argc ? argv[i + 1] : NULL;
    if (strcmp(argv[i], "--rt") == 0 && value && parseTerminals(value, options)) {
      ++i;
    } else if (strcmp(argv[i], "--seconds") == 0 && value &&
               parseNumber(value, 1, 1000000000L, &options->seconds)) {
      ++i;
    } else {
      return 0;
    }
  }
  return 1;
}

/* Every driver function answers a status, 0 for success. */
static int succeeded(const char* function, uint16_t status) {
  if (status == 0) return 1;
  fprintf(stderr, "error %s status %u\n", function, (unsigned)status);
  return 0;
}

/* The station's default card settings (its SETUP page before any change). */
static SetupRecord defaultSetup(void) {
  SetupRecord s;
  memset(&s, 0, sizeof s);
  s.marker = 0xFFFFFFFFu;
  s.wordSize = 0;           /* 24-bit words */
  s.interWordTxGap = 11;    /* half microseconds: 5.5 us */
  s.rtResponseTime = 15;    /* 7.5 us */
  s.rtResponseTimeout = 50; /* 25 us */
  s.constant0203 = 0x0203;
  s.interWordGapTimeout = 10;
  s.watchdogTimeout = 0x8010;  /* bit 15: off */
  s.rtPollingTimeout = 0x8010; /* off */
  s.txAmplitude = 20;          /* 2.0 V */
  s.constant1980 = 0x1980;
  s.constant1A81 = 0x1A81;
  s.txPrimary = 0x0008; /* connectors J1, J3, J2, J4 */
  s.txSecondary = 0x0002;
  s.rxPrimary = 0x0004;
  s.rxSecondary = 0x0001;
  s.checksumTest = 0x0200; /* off */
  s.globalErrors = 0;
  s.clockMode = 0; /* free run: the card keeps its own time, paced by the host's clock */
  return s;
}

static uint32_t dataWord(unsigned rt, unsigned value) {
  return (uint32_t)(rt & 31) << 19 | (uint32_t)(value & 0xFFFF) << 3 | 0x5;
}

static void printWords(const uint32_t* words, int count) {
  for (int i = 0; i < count; ++i)
    printf(i == 0 ? "%06X" : " %06X", (unsigned)(words[i] & 0xFFFFFF));
}

/* A terminal on both buses, ready, with `action` in its status word and empty TX and RX
 * buffers. */
static int switchOn(CardContext* card, unsigned rt, uint16_t action) {
  static uint32_t empty[kMessageDataWords];
  MessageBufferRecord tx;
  MessageBufferRecord rx;
  LdbRtRecord r;
  memset(&tx, 0, sizeof tx);
  memset(&rx, 0, sizeof rx);
  memset(&r, 0, sizeof r);
  tx.wordLimit = rx.wordLimit = kMessageDataWords;
  tx.data = rx.data = empty;
  r.rtNumber = (uint16_t)rt;
  r.busSelect = kBothBuses;
  r.mode = kRtOn;
  r.action = action;
  r.rtState = kStateWfi;
  r.stateUpdate = 1; /* take the state from this record */
  r.txBuffer = &tx;
  r.rxBuffer = &rx;
  return succeeded("DUVEX_WrLdbRTDLL", DUVEX_WrLdbRTDLL(card, &r));
}

/* Puts second `second`'s data into the terminal's TX buffer. The record is read first so that
 * what the card keeps (its state, its DTT count) is written back as it is; without an RX buffer
 * in the record the write leaves the RX buffer alone. */
static int writeTxData(CardContext* card, unsigned rt, long second) {
  uint32_t words[kTxWords];
  MessageBufferRecord tx;
  LdbRtRecord r;
  memset(&tx, 0, sizeof tx);
  memset(&r, 0, sizeof r);
  tx.wordLimit = kTxWords;
  tx.data = words;
  r.rtNumber = (uint16_t)rt;
  r.txBuffer = &tx;
  if (!succeeded("DUVEX_RdLdbRTDLL", DUVEX_RdLdbRTDLL(card, &r))) return 0;
  for (unsigned i = 0; i < kTxWords; ++i) words[i] = dataWord(rt, (unsigned)second * kTxWords + i);
  tx.suppliedWords = kTxWords;
  r.stateUpdate = 0; /* keep the state the terminal has reached */
  r.cleared = 0;     /* 0: keep the last message and the buffers' history */
  if (!succeeded("DUVEX_WrLdbRTDLL", DUVEX_WrLdbRTDLL(card, &r))) return 0;
  printf("tx rt=%u second=%ld data=", rt, second);
  printWords(words, kShownWords);
  printf("\n");
  return 1;
}

/* Prints the commands that arrived since the last call. The queue gives its newest entry first;
 * the program takes them all and prints them oldest first. Returns how many, -1 on an error. */
static long printCommands(CardContext* card) {
  static RtQueueRecord taken[kQueueDepth];
  int count = 0;
  while (count < kQueueDepth) {
    RtQueueRecord* entry = &taken[count];
    memset(entry, 0, sizeof *entry);
    entry->operation = kQueueTake;
    if (!succeeded("DUVEX_RdLdbRtQDLL", DUVEX_RdLdbRtQDLL(card, entry))) return -1;
    if (!entry->valid) break;
    ++count;
  }
  for (int i = count - 1; i >= 0; --i) {
    uint32_t word = taken[i].command & 0xFFFFFF;
    printf("command rt=%u code=%u bits=%04X word=%06X errors=%04X\n", (unsigned)(word >> 19),
           (unsigned)(word >> 15 & 15), (unsigned)(word & 0x7FFF), (unsigned)word,
           (unsigned)taken[i].errors);
  }
  return count;
}

/* Prints the terminal's RX buffer when its first words differ from `last`, and keeps them. */
static int printChangedRx(CardContext* card, unsigned rt, uint32_t last[kShownWords]) {
  uint32_t words[kShownWords];
  MessageBufferRecord rx;
  LdbRtRecord r;
  memset(&rx, 0, sizeof rx);
  memset(&r, 0, sizeof r);
  rx.wordLimit = kShownWords;
  rx.data = words;
  r.rtNumber = (uint16_t)rt;
  r.rxBuffer = &rx;
  if (!succeeded("DUVEX_RdLdbRTDLL", DUVEX_RdLdbRTDLL(card, &r))) return 0;
  if (memcmp(words, last, sizeof words) == 0) return 1;
  memcpy(last, words, sizeof words);
  printf("rx rt=%u status=%04X data=", rt, (unsigned)rx.status);
  printWords(words, kShownWords);
  printf("\n");
  return 1;
}

static double secondsSince(const struct timespec* start) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)(now.tv_sec - start->tv_sec) + (double)(now.tv_nsec - start->tv_nsec) / 1e9;
}

/* Sleeps until `deadline`, moved on by one poll period; a signal ends the sleep early. */
static void waitForPoll(struct timespec* deadline) {
  deadline->tv_nsec += kPollMs * 1000000L;
  if (deadline->tv_nsec >= 1000000000L) {
    deadline->tv_nsec -= 1000000000L;
    ++deadline->tv_sec;
  }
  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, deadline, NULL);
}

/* Polls the card until the time is up or a signal asks to stop. */
static int run(CardContext* card, const struct Options* options, long* commands) {
  uint32_t lastRx[kShownWords] = {0};
  struct timespec start;
  struct timespec deadline;
  long second = -1; /* B's data for second 0 goes in at once */
  clock_gettime(CLOCK_MONOTONIC, &start);
  deadline = start;
  while (!stopRequested) {
    double elapsed = secondsSince(&start);
    if (options->seconds > 0 && elapsed >= (double)options->seconds) break;
    if ((long)elapsed > second) {
      second = (long)elapsed;
      if (!writeTxData(card, options->txRt, second)) return 0;
    }
    long taken = printCommands(card);
    if (taken < 0 || !printChangedRx(card, options->rxRt, lastRx)) return 0;
    *commands += taken;
    waitForPoll(&deadline);
  }
  return 1;
}

/* Opens the card in LDB_MRT mode with the two terminals on, and runs it. */
static int start(CardContext* card, const struct Options* options) {
  SetupRecord setup = defaultSetup();
  if (!succeeded("DUVEX_InitDLL", DUVEX_InitDLL(card, kCardPci, kBigEndian, 0))) return 0;
  card->operatingMode = kModeLdbMrt;
  if (!succeeded("DUVEX_SetupDLL", DUVEX_SetupDLL(card, kModeLdbMrt, &setup))) return 0;
  if (!switchOn(card, options->rxRt, kNoData) || !switchOn(card, options->txRt, kHasData)) return 0;
  return succeeded("DUVEX_CommandDLL", DUVEX_CommandDLL(card, kCommandRun));
}

int main(int argc, char** argv) {
  struct Options options;
  if (argc == 2 && strcmp(argv[1], "--help") == 0) {
    usage(stdout, argv[0]);
    return 0;
  }
  if (!parseOptions(argc, argv, &options)) {
    usage(stderr, argv[0]);
    return 2;
  }
  setvbuf(stdout, NULL, _IOLBF, 0); /* a line at a time, also into a pipe or a file */

  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, NULL);
  sigaction(SIGTERM, &action, NULL);

  /* The context starts zero-filled; its first call gives it a simulated card of its own. */
  CardContext card;
  memset(&card, 0, sizeof card);
  long commands = 0;
  int ok = start(&card, &options);
  if (ok) {
    const char* bus = getenv("XARN_BUS");
    printf("start rt=%u,%u bus=%s\n", options.rxRt, options.txRt, bus && *bus ? bus : "none");
    ok = run(&card, &options, &commands);
    ok = succeeded("DUVEX_CommandDLL", DUVEX_CommandDLL(&card, kCommandHalt)) && ok;
    if (ok) printf("stop commands=%ld\n", commands);
  }
  DUVEX_CloseDLL(&card);
  return ok ? 0 : 1;
}
