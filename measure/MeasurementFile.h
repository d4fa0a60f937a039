// Reading a recording back for offline analysis: a CSV file this program wrote, any CSV with
// elapsed_s and si_value columns, or a plain file of one number per line.
//
// CSV: the header names the columns (in any order; first lines starting with '#' and blank
// lines are skipped).  Rows without a number in si_value (a blank reading, "Error") are left
// out and counted.  The kind of a row is its mode, unit and gate_ms where those columns exist;
// a new kind, or a new number in the segment column, starts a new segment, and the analysis
// takes the segments of the kind with the most rows (the others are counted as left out).
// A recording with a segment column has no gap inside a segment: its readings are
// consecutive, and a flagged one (the flags column: held, overflow, error) is a missing point
// there.  Without one, gaps are told from the times.  Rows of a frame that shows no new
// measurement (new_measurement 0, a recording of every frame) are skipped.
// Plain: one number per line, no times; the caller gives tau0.  Plain functions: any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "measure/Measurement.h"
#include "measure/StabilityInput.h"

struct TMeasurementFile {
  bool Plain = false;              // one number per line: Seconds are the line's index
  bool Consecutive = false;        // segments without gaps (measure/StabilityInput.h)
  std::vector<TReadingSegment> Segments;
  TMeasureMode Mode = mmNone;       // of the kind taken
  TDisplayUnit Unit = duNone;
  int GateMs = 0;
  std::size_t Rows = 0;            // data rows or lines read
  std::size_t LeftOut = 0;         // rows without a value or of another kind
  // Of those, the flagged readings by reason as the recorder flagged them (a held reading
  // once, however many frames showed it); a row without a number and no flag is an error.
  TLeftOut Flagged;
  std::uint64_t LastSegment = 0;   // the segment column's number in the last row taken (else
                                   // the count of segments)
  TSegmentCause LastSegmentStart = scNone;  // why that segment began (segment_start), if said
  std::string Error;               // empty when the file could be read
};

TMeasurementFile ReadMeasurementFile(const std::string& path);
// The same from text in memory (tests, fuzzing).
TMeasurementFile ParseMeasurementText(const std::string& text);
