#pragma once

#include <chrono>

namespace kdx {

// When the engine's steps run. The state tables fix what a step does; this fixes when.
//
// At 19200 baud, 8N1, a byte is 10 bits: 521 us on the wire. The PC's byte and the module's
// one-byte answer thus take about 1.04 ms on the wire alone, plus the module's reaction, so a
// 1 ms tick is too short for the steps that decide on an answer "by the next poll". Instead,
// every step of a read or write that waits for the module runs as soon as the answer's bytes
// are in (OnBytesArrived, or a tick that finds bytes waiting), and otherwise when its window
// below ends. The transfers then run at the pace of the module's answers, not of a timer.
struct TransferTiming {
    using us = std::chrono::microseconds;

    // Between the polls of state 50, which count their empty polls against 5000 (read) and
    // 25000 (write). At 1 ms those limits stay about 5 s and 25 s, as long as a user expects a
    // silent module to take to fail; an arriving byte cuts the wait short anyway.
    us pollPeriod{1000};

    // How long the one-byte answer to ETX, a command or a written STX may take: as long as the
    // link test gives the module's ACK, so a module that passes the test also passes the
    // opening of a transfer. A fast module answers in about 1.6 ms on a real line, one that
    // takes 10 ms in about 11 ms, and a USB converter may hold a byte up to its latency timer
    // (16 ms by default on common chips); the rest is room for a busy PC, on which the kernel
    // may hand bytes over tens of milliseconds late. It costs a transfer nothing, since a step
    // runs once its answer is in; only a silent module takes this long to fail.
    us answerWindow{500000};

    // A step's poll holds every byte that arrives within this time of its answer's first byte,
    // a little more than one byte time: a second byte sent right behind the first (a duplicated
    // answer) counts into the same poll, as it did with the classic slow tick. Where the first
    // byte decides the step already (an ACK the step looks for, a data byte or ACK that goes on
    // with the transfer), the step runs on it at once; the rest of its poll still comes in
    // before any answer to the PC's next byte can (that needs two byte times on the wire), so
    // it is told apart: absorbed after an ACK the step looked for, a duplicate that fails the
    // transfer after a byte that had to come alone (once the PC's next byte is out). An answer
    // that ends the transfer waits the full time, since no later step would see the rest.
    // Keep it below two byte times and below every window and poll period.
    us settle{800};

    // Read state 45 waits after the PC's ACK for EM or silence. An EM takes as long to come
    // as a data byte takes after STX (the PC's byte, the module's reaction, one byte back), so
    // the engine measures that answer time during the transfer, smoothed with its variation as
    // TCP's retransmission timer does, and waits 1.25 times the smoothed time plus four times
    // its variation: about 2 ms for a fast module, about 14 ms for a 10 ms module.
    //   Behind a USB converter bytes reach the PC only at the ticks of its latency timer. The
    // ACK goes out the moment the data byte is in, just after a tick, so an EM would come a
    // whole period later; the STX sent when the window ends is answered at the next tick, sooner,
    // and a whole period later again whenever the window crosses a tick. So the variation adds
    // at most a third of the answer time (more would carry the window across the next tick in
    // turn: three ticks a byte instead of two), and the window never ends before 1.25 times the
    // shortest answer to a byte sent the moment an answer was in (the read command, the first
    // STX), or the shorter answers to the STX could draw it below a period and miss every EM.
    //   Never less than silenceFloor (two byte times and a margin, for a latency measured too
    // short) and never more than the answer window (a module slower fails its opening anyway).
    us silenceFloor{2000};

    // The link test looks for the module's ACK this long after its two ETX bytes; the quick
    // check before a write ends as soon as an ACK is in, and only a silent module waits this.
    us testWait{500000};
};

}  // namespace kdx
