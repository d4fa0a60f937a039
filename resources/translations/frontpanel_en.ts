<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>ChartExport</name>
    <message>
        <source>cannot write the image</source>
        <translation>cannot write the image</translation>
    </message>
</context>
<context>
    <name>CsvRecorder</name>
    <message>
        <source>Cannot record to %1</source>
        <translation>Cannot record to %1</translation>
    </message>
    <message>
        <source>Cannot record to standard output</source>
        <translation>Cannot record to standard output</translation>
    </message>
    <message>
        <source>Cannot read the header of %1</source>
        <translation>Cannot read the header of %1</translation>
    </message>
    <message>
        <source>Cannot record to %1: it holds other data (its first line is not &quot;%2&quot;); choose a new file</source>
        <translation>Cannot record to %1: it holds other data (its first line is not &quot;%2&quot;); choose a new file</translation>
    </message>
    <message>
        <source>Recording stopped: cannot write to %1</source>
        <translation>Recording stopped: cannot write to %1</translation>
    </message>
    <message>
        <source>Recording stopped: cannot write to standard output</source>
        <translation>Recording stopped: cannot write to standard output</translation>
    </message>
    <message>
        <source>Recording stopped: %1 was removed</source>
        <translation>Recording stopped: %1 was removed</translation>
    </message>
</context>
<context>
    <name>KeyboardMap</name>
    <message>
        <source>Input A: coupling ≈ / ~</source>
        <translation>Input A: coupling ≈ / ~</translation>
    </message>
    <message>
        <source>Input A: attenuator 1:1 / 1:10</source>
        <translation>Input A: attenuator 1:1 / 1:10</translation>
    </message>
    <message>
        <source>Averaging / count time 1 ms</source>
        <translation>Averaging / count time 1 ms</translation>
    </message>
    <message>
        <source>Averaging / count time 10 ms</source>
        <translation>Averaging / count time 10 ms</translation>
    </message>
    <message>
        <source>Averaging / count time 100 ms</source>
        <translation>Averaging / count time 100 ms</translation>
    </message>
    <message>
        <source>Averaging / count time 1000 ms</source>
        <translation>Averaging / count time 1000 ms</translation>
    </message>
    <message>
        <source>Averaging / count time 10000 ms</source>
        <translation>Averaging / count time 10000 ms</translation>
    </message>
    <message>
        <source>Memory (hold the reading)</source>
        <translation>Memory (hold the reading)</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁷ s</source>
        <translation>Time marks 10⁻⁷ s</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁶ s</source>
        <translation>Time marks 10⁻⁶ s</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁵ s</source>
        <translation>Time marks 10⁻⁵ s</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁴ s</source>
        <translation>Time marks 10⁻⁴ s</translation>
    </message>
    <message>
        <source>Time marks 10⁻³ s</source>
        <translation>Time marks 10⁻³ s</translation>
    </message>
    <message>
        <source>Input impedance 1 MΩ / 50 Ω</source>
        <translation>Input impedance 1 MΩ / 50 Ω</translation>
    </message>
    <message>
        <source>Input B: coupling ≈ / ~</source>
        <translation>Input B: coupling ≈ / ~</translation>
    </message>
    <message>
        <source>Input B: attenuator 1:1 / 1:10</source>
        <translation>Input B: attenuator 1:1 / 1:10</translation>
    </message>
    <message>
        <source>Low frequencies</source>
        <translation>Low frequencies</translation>
    </message>
    <message>
        <source>Input A / C</source>
        <translation>Input A / C</translation>
    </message>
    <message>
        <source>F: frequency</source>
        <translation>F: frequency</translation>
    </message>
    <message>
        <source>T: period</source>
        <translation>T: period</translation>
    </message>
    <message>
        <source>A/B: ratio</source>
        <translation>A/B: ratio</translation>
    </message>
    <message>
        <source>t: time interval</source>
        <translation>t: time interval</translation>
    </message>
    <message>
        <source>Pulse polarity + / −</source>
        <translation>Pulse polarity + / −</translation>
    </message>
    <message>
        <source>Display time 0.3 s</source>
        <translation>Display time 0.3 s</translation>
    </message>
    <message>
        <source>Display time 1 s</source>
        <translation>Display time 1 s</translation>
    </message>
    <message>
        <source>Display time 2 s</source>
        <translation>Display time 2 s</translation>
    </message>
    <message>
        <source>Display time 4 s</source>
        <translation>Display time 4 s</translation>
    </message>
    <message>
        <source>Test: F and T together (double click on F or T)</source>
        <translation>Test: F and T together (double click on F or T)</translation>
    </message>
</context>
<context>
    <name>Measurement</name>
    <message>
        <source>test</source>
        <translation>test</translation>
    </message>
</context>
<context>
    <name>SeriesTables</name>
    <message>
        <source>count</source>
        <translation>count</translation>
    </message>
    <message>
        <source>last</source>
        <translation>last</translation>
    </message>
    <message>
        <source>mean</source>
        <translation>mean</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>max</source>
        <translation>max</translation>
    </message>
    <message>
        <source>peak-to-peak</source>
        <translation>peak-to-peak</translation>
    </message>
    <message>
        <source>standard deviation</source>
        <translation>standard deviation</translation>
    </message>
    <message>
        <source>tau0</source>
        <translation>tau0</translation>
    </message>
    <message>
        <source>drift per day</source>
        <translation>drift per day</translation>
    </message>
</context>
<context>
    <name>TAdevPlot</name>
    <message>
        <source>τ, s</source>
        <translation>τ, s</translation>
    </message>
    <message>
        <source>σy(τ)</source>
        <translation>σy(τ)</translation>
    </message>
    <message>
        <source>ADEV</source>
        <translation>ADEV</translation>
    </message>
    <message>
        <source>OADEV</source>
        <translation>OADEV</translation>
    </message>
    <message>
        <source>MDEV</source>
        <translation>MDEV</translation>
    </message>
    <message>
        <source>TDEV</source>
        <translation>TDEV</translation>
    </message>
    <message>
        <source>HDEV</source>
        <translation>HDEV</translation>
    </message>
    <message>
        <source>OHDEV</source>
        <translation>OHDEV</translation>
    </message>
    <message>
        <source>%1 from %2</source>
        <translation>%1 from %2</translation>
    </message>
    <message>
        <source>Frequency stability</source>
        <translation>Frequency stability</translation>
    </message>
    <message>
        <source>TDEV σx(τ), s</source>
        <translation>TDEV σx(τ), s</translation>
    </message>
</context>
<context>
    <name>TDeviceChooser</name>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Device for</source>
        <translation>Device for</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>What it is</source>
        <translation>What it is</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Now</translation>
    </message>
    <message>
        <source>any device path, e.g. /dev/ttyUSB0, or tcp://host:port, rfc2217://host:port</source>
        <translation>any device path, e.g. /dev/ttyUSB0, or tcp://host:port, rfc2217://host:port</translation>
    </message>
    <message>
        <source>Devices (what Com1 and Com2 stand for, those chosen before, those of this computer) and whether they may be used now:</source>
        <translation>Devices (what Com1 and Com2 stand for, those chosen before, those of this computer) and whether they may be used now:</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Device:</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Record every frame</source>
        <translation>Record every frame</translation>
    </message>
    <message>
        <source>A row for every frame instead of one per measurement</source>
        <translation>A row for every frame instead of one per measurement</translation>
    </message>
    <message>
        <source>%1 — key %2</source>
        <translation>%1 — key %2</translation>
    </message>
    <message>
        <source>; double click: test mode — key %1</source>
        <translation>; double click: test mode — key %1</translation>
    </message>
    <message>
        <source>copied %1</source>
        <translation>copied %1</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>About %1</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;%1&lt;/b&gt; — the remote front panel of the frequency counter, version %2.&lt;/p&gt;&lt;p&gt;Copyright © the front panel&apos;s authors. This program is free software under the GNU General Public License, version 3 or later; it comes with no warranty.&lt;/p&gt;&lt;p&gt;The manual: &lt;tt&gt;man frontpanel&lt;/tt&gt; (the logger, the command line, the exit statuses) and %3; the keys: Keyboard… in the context menu.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;%1&lt;/b&gt; — the remote front panel of the frequency counter, version %2.&lt;/p&gt;&lt;p&gt;Copyright © the front panel&apos;s authors. This program is free software under the GNU General Public License, version 3 or later; it comes with no warranty.&lt;/p&gt;&lt;p&gt;The manual: &lt;tt&gt;man frontpanel&lt;/tt&gt; (the logger, the command line, the exit statuses) and %3; the keys: Keyboard… in the context menu.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Com%1 now</source>
        <translation>Com%1 now</translation>
    </message>
    <message>
        <source>chosen before</source>
        <translation>chosen before</translation>
    </message>
    <message>
        <source>Key %1 was not sent: the line to the instrument on COM%2 is lost. The window reconnects once the device is back (Reconnect now, in the context menu, tries at once).</source>
        <translation>Key %1 was not sent: the line to the instrument on COM%2 is lost. The window reconnects once the device is back (Reconnect now, in the context menu, tries at once).</translation>
    </message>
</context>
<context>
    <name>THistogramChart</name>
    <message>
        <source>Histogram</source>
        <translation>Histogram</translation>
    </message>
    <message>
        <source>count</source>
        <translation>count</translation>
    </message>
</context>
<context>
    <name>TKeyboardHelp</name>
    <message>
        <source>Keyboard</source>
        <translation>Keyboard</translation>
    </message>
    <message>
        <source>Panel key</source>
        <translation>Panel key</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Does</source>
        <translation>Does</translation>
    </message>
    <message>
        <source>Commands of the window (also in its context menu):</source>
        <translation>Commands of the window (also in its context menu):</translation>
    </message>
</context>
<context>
    <name>TMeasurementsWindow</name>
    <message>
        <source>the line came back</source>
        <translation>the line came back</translation>
    </message>
    <message>
        <source>a missing gate</source>
        <translation>a missing gate</translation>
    </message>
    <message>
        <source>a key changed the settings</source>
        <translation>a key changed the settings</translation>
    </message>
    <message>
        <source>the hold ended</source>
        <translation>the hold ended</translation>
    </message>
    <message>
        <source>the overflow ended</source>
        <translation>the overflow ended</translation>
    </message>
    <message>
        <source>the reset</source>
        <translation>the reset</translation>
    </message>
    <message>
        <source>the start</source>
        <translation>the start</translation>
    </message>
    <message>
        <source>Measurements</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>Measurements…</source>
        <translation>Measurements…</translation>
    </message>
    <message>
        <source>Reset statistics</source>
        <translation>Reset statistics</translation>
    </message>
    <message>
        <source>Whole series</source>
        <translation>Whole series</translation>
    </message>
    <message>
        <source>Back to the whole series, scrolling on with new measurements (Home in the chart)</source>
        <translation>Back to the whole series, scrolling on with new measurements (Home in the chart)</translation>
    </message>
    <message>
        <source>Save the statistics as CSV</source>
        <translation>Save the statistics as CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>quantity</source>
        <translation>quantity</translation>
    </message>
    <message>
        <source>value</source>
        <translation>value</translation>
    </message>
    <message>
        <source>unit</source>
        <translation>unit</translation>
    </message>
    <message>
        <source>terms</source>
        <translation>terms</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>No measurement with a value yet.</source>
        <translation>No measurement with a value yet.</translation>
    </message>
    <message>
        <source>no unit</source>
        <translation>no unit</translation>
    </message>
    <message>
        <source>Left out of the statistics: %1 held, %2 overflowed, %3 bad frames.</source>
        <translation>Left out of the statistics: %1 held, %2 overflowed, %3 bad frames.</translation>
    </message>
    <message>
        <source>Cannot save to %1: %2</source>
        <translation>Cannot save to %1: %2</translation>
    </message>
    <message>
        <source>PNG images (*.png);;SVG drawings (*.svg)</source>
        <translation>PNG images (*.png);;SVG drawings (*.svg)</translation>
    </message>
    <message>
        <source>dev.</source>
        <translation>dev.</translation>
    </message>
    <message>
        <source>τ</source>
        <translation>τ</translation>
    </message>
    <message>
        <source>σ(τ)</source>
        <translation>σ(τ)</translation>
    </message>
    <message>
        <source>low</source>
        <translation>low</translation>
    </message>
    <message>
        <source>high</source>
        <translation>high</translation>
    </message>
    <message>
        <source>noise</source>
        <translation>noise</translation>
    </message>
    <message>
        <source>&amp;ADEV (Allan)</source>
        <translation>&amp;ADEV (Allan)</translation>
    </message>
    <message>
        <source>&amp;Overlapping ADEV</source>
        <translation>&amp;Overlapping ADEV</translation>
    </message>
    <message>
        <source>&amp;MDEV (modified Allan)</source>
        <translation>&amp;MDEV (modified Allan)</translation>
    </message>
    <message>
        <source>&amp;TDEV (time)</source>
        <translation>&amp;TDEV (time)</translation>
    </message>
    <message>
        <source>&amp;HDEV (Hadamard)</source>
        <translation>&amp;HDEV (Hadamard)</translation>
    </message>
    <message>
        <source>Overlapping H&amp;DEV</source>
        <translation>Overlapping H&amp;DEV</translation>
    </message>
    <message>
        <source>&amp;Deviations</source>
        <translation>&amp;Deviations</translation>
    </message>
    <message>
        <source>&amp;95 % intervals</source>
        <translation>&amp;95 % intervals</translation>
    </message>
    <message>
        <source>&amp;Remove the linear drift</source>
        <translation>&amp;Remove the linear drift</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>T&amp;rend chart…</source>
        <translation>T&amp;rend chart…</translation>
    </message>
    <message>
        <source>Save the trend chart</source>
        <translation>Save the trend chart</translation>
    </message>
    <message>
        <source>S&amp;tability chart…</source>
        <translation>S&amp;tability chart…</translation>
    </message>
    <message>
        <source>Save the stability chart</source>
        <translation>Save the stability chart</translation>
    </message>
    <message>
        <source>&amp;Histogram…</source>
        <translation>&amp;Histogram…</translation>
    </message>
    <message>
        <source>Save the histogram</source>
        <translation>Save the histogram</translation>
    </message>
    <message>
        <source>&amp;Statistics…</source>
        <translation>&amp;Statistics…</translation>
    </message>
    <message>
        <source>&amp;Deviations…</source>
        <translation>&amp;Deviations…</translation>
    </message>
    <message>
        <source>Save the deviations as CSV</source>
        <translation>Save the deviations as CSV</translation>
    </message>
    <message>
        <source>Stability: deviations and their intervals</source>
        <translation>Stability: deviations and their intervals</translation>
    </message>
    <message>
        <source>Series: mode %1, averaging %2 ms, in %3.  Segment %4 of the series, since %5: %6 measurements (the statistics and the histogram are of this segment; the trend breaks where a segment begins).</source>
        <translation>Series: mode %1, averaging %2 ms, in %3.  Segment %4 of the series, since %5: %6 measurements (the statistics and the histogram are of this segment; the trend breaks where a segment begins).</translation>
    </message>
    <message>
        <source>The deviations take the %1 segments measured with these settings, no term across a gap.</source>
        <translation>The deviations take the %1 segments measured with these settings, no term across a gap.</translation>
    </message>
    <message>
        <source>Cannot save the chart to %1: %2</source>
        <translation>Cannot save the chart to %1: %2</translation>
    </message>
    <message>
        <source>mode %1, averaging %2 ms, %3, %4 values, frontpanel %5</source>
        <translation>mode %1, averaging %2 ms, %3, %4 values, frontpanel %5</translation>
    </message>
</context>
<context>
    <name>TPanelActions</name>
    <message>
        <source>Record…</source>
        <translation>Record…</translation>
    </message>
    <message>
        <source>Copy reading</source>
        <translation>Copy reading</translation>
    </message>
    <message>
        <source>Port…</source>
        <translation>Port…</translation>
    </message>
    <message>
        <source>Reconnect now</source>
        <translation>Reconnect now</translation>
    </message>
    <message>
        <source>Keyboard…</source>
        <translation>Keyboard…</translation>
    </message>
    <message>
        <source>About…</source>
        <translation>About…</translation>
    </message>
</context>
<context>
    <name>TPublishStrip</name>
    <message>
        <source>MQTT</source>
        <translation>MQTT</translation>
    </message>
    <message>
        <source>MQTT retrying</source>
        <translation>MQTT retrying</translation>
    </message>
    <message>
        <source>MQTT…</source>
        <translation>MQTT…</translation>
    </message>
    <message numerus="yes">
        <source>%n dropped</source>
        <translation>
            <numerusform>%n dropped</numerusform>
            <numerusform>%n dropped</numerusform>
        </translation>
    </message>
    <message>
        <source>Publishing to %1 on %2 and %3
sent %4, dropped %5, waiting %6</source>
        <translation>Publishing to %1 on %2 and %3
sent %4, dropped %5, waiting %6</translation>
    </message>
</context>
<context>
    <name>TReadingLook</name>
    <message>
        <source>held</source>
        <translation>held</translation>
    </message>
    <message>
        <source>overflow: choose a shorter averaging time</source>
        <translation>overflow: choose a shorter averaging time</translation>
    </message>
</context>
<context>
    <name>TRecordingControl</name>
    <message>
        <source>Record measurements to (an existing file is appended to)</source>
        <translation>Record measurements to (an existing file is appended to)</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>Record…</source>
        <translation>Record…</translation>
    </message>
    <message>
        <source>(nine columns)</source>
        <translation>(nine columns)</translation>
    </message>
    <message>
        <source>Recorded before flags and segments: appended in its nine columns, trusted measurements only</source>
        <translation>Recorded before flags and segments: appended in its nine columns, trusted measurements only</translation>
    </message>
    <message>
        <source>REC</source>
        <comment>the strip&apos;s mark of a running recording</comment>
        <translation>REC</translation>
    </message>
    <message numerus="yes">
        <source>%n row(s)</source>
        <translation>
            <numerusform>%n row</numerusform>
            <numerusform>%n rows</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TTrendChart</name>
    <message>
        <source>Trend</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>time, s</source>
        <translation>time, s</translation>
    </message>
    <message>
        <source>Wheel: zoom; drag: zoom to a rectangle; Shift+drag or middle drag, arrow keys: pan; double click or Home: the whole series</source>
        <translation>Wheel: zoom; drag: zoom to a rectangle; Shift+drag or middle drag, arrow keys: pan; double click or Home: the whole series</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>n</source>
        <translation>n</translation>
    </message>
    <message>
        <source>µ</source>
        <translation>µ</translation>
    </message>
    <message>
        <source>m</source>
        <translation>m</translation>
    </message>
    <message>
        <source>k</source>
        <translation>k</translation>
    </message>
    <message>
        <source>M</source>
        <translation>M</translation>
    </message>
    <message>
        <source>G</source>
        <translation>G</translation>
    </message>
</context>
<context>
    <name>Words</name>
    <message>
        <source>free, open in %1</source>
        <translation>free, open in %1</translation>
    </message>
    <message>
        <source>free</source>
        <translation>free</translation>
    </message>
    <message>
        <source>open in this window</source>
        <translation>open in this window</translation>
    </message>
    <message>
        <source>busy: %1</source>
        <translation>busy: %1</translation>
    </message>
    <message>
        <source>forbidden: join the group %1 (sudo usermod -aG %1 $USER, then log in again)</source>
        <translation>forbidden: join the group %1 (sudo usermod -aG %1 $USER, then log in again)</translation>
    </message>
    <message>
        <source>forbidden: only its owner %1 may open it</source>
        <translation>forbidden: only its owner %1 may open it</translation>
    </message>
    <message>
        <source>not there</source>
        <translation>not there</translation>
    </message>
    <message>
        <source>not a serial device</source>
        <translation>not a serial device</translation>
    </message>
    <message>
        <source>network</source>
        <translation>network</translation>
    </message>
    <message>
        <source>no data for %1 s</source>
        <translation>no data for %1 s</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>closed</source>
        <translation>closed</translation>
    </message>
    <message>
        <source> · no answer to key %1</source>
        <translation> · no answer to key %1</translation>
    </message>
    <message>
        <source>choose another device with Port… (Ctrl+P)</source>
        <translation>choose another device with Port… (Ctrl+P)</translation>
    </message>
    <message>
        <source>name another device with --port %1=PATH</source>
        <translation>name another device with --port %1=PATH</translation>
    </message>
    <message>
        <source>Cannot connect %1: %2 is no network address (%3). Write tcp://HOST:PORT or rfc2217://HOST:PORT.</source>
        <translation>Cannot connect %1: %2 is no network address (%3). Write tcp://HOST:PORT or rfc2217://HOST:PORT.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: the name %3 does not resolve. Check the host name, or give its address.</source>
        <translation>Cannot connect %1 to %2: the name %3 does not resolve. Check the host name, or give its address.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: nothing accepts connections on port %3 of %4. Start the device server, or check that it serves that port.</source>
        <translation>Cannot connect %1 to %2: nothing accepts connections on port %3 of %4. Start the device server, or check that it serves that port.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: %3 did not answer within %4 s. Check the address and that the network reaches it.</source>
        <translation>Cannot connect %1 to %2: %3 did not answer within %4 s. Check the address and that the network reaches it.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: %3.</source>
        <translation>Cannot connect %1 to %2: %3.</translation>
    </message>
    <message>
        <source>choose its device with Port… (Ctrl+P)</source>
        <translation>choose its device with Port… (Ctrl+P)</translation>
    </message>
    <message>
        <source>name its device with --port %1=PATH</source>
        <translation>name its device with --port %1=PATH</translation>
    </message>
    <message>
        <source>Cannot open %1: there is no device at %2. Connect the instrument, or %3.</source>
        <translation>Cannot open %1: there is no device at %2. Connect the instrument, or %3.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 is not a serial device. Choose the instrument&apos;s serial device with Port… (Ctrl+P).</source>
        <translation>Cannot open %1: %2 is not a serial device. Choose the instrument&apos;s serial device with Port… (Ctrl+P).</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 is not a serial device. Name the instrument&apos;s serial device with --port %3=PATH.</source>
        <translation>Cannot open %1: %2 is not a serial device. Name the instrument&apos;s serial device with --port %3=PATH.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 is in use by %3. Close that program, or %4.</source>
        <translation>Cannot open %1: %2 is in use by %3. Close that program, or %4.</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>another program</translation>
    </message>
    <message>
        <source>Cannot open %1: you may not use %2, but members of the group %3 may. Join it (sudo usermod -aG %3 $USER), then log out and in again.</source>
        <translation>Cannot open %1: you may not use %2, but members of the group %3 may. Join it (sudo usermod -aG %3 $USER), then log out and in again.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 belongs to %3 (%4), and only its owner may open it. Use a device of your own, or ask %3 or the administrator for access.</source>
        <translation>Cannot open %1: %2 belongs to %3 (%4), and only its owner may open it. Use a device of your own, or ask %3 or the administrator for access.</translation>
    </message>
    <message>
        <source>Cannot open %1: you may not use %2. Ask the administrator for read and write access to it.</source>
        <translation>Cannot open %1: you may not use %2. Ask the administrator for read and write access to it.</translation>
    </message>
    <message>
        <source>Cannot open %1 on %2.</source>
        <translation>Cannot open %1 on %2.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2: %3. Check the path, or %4.</source>
        <translation>Cannot open %1: %2: %3. Check the path, or %4.</translation>
    </message>
    <message>
        <source>%1 still leads to %2, the pseudo-terminal that went away, which another program may have now; waiting for the link to be made again</source>
        <translation>%1 still leads to %2, the pseudo-terminal that went away, which another program may have now; waiting for the link to be made again</translation>
    </message>
    <message>
        <source>%1: waiting for the device to come back</source>
        <translation>%1: waiting for the device to come back</translation>
    </message>
    <message>
        <source>%1 was a pseudo-terminal, which does not come back once its far end has closed (its number goes to the next program that asks for one); not reconnecting: give the new path</source>
        <translation>%1 was a pseudo-terminal, which does not come back once its far end has closed (its number goes to the next program that asks for one); not reconnecting: give the new path</translation>
    </message>
    <message>
        <source>reconnected to %1</source>
        <translation>reconnected to %1</translation>
    </message>
    <message>
        <source>line lost on %1: %2; reconnecting</source>
        <translation>line lost on %1: %2; reconnecting</translation>
    </message>
    <message>
        <source>line lost again on %1 %2 s after it opened (%3); reconnecting without further word until a connection lasts %4 s</source>
        <translation>line lost again on %1 %2 s after it opened (%3); reconnecting without further word until a connection lasts %4 s</translation>
    </message>
    <message>
        <source>%1 has stayed connected for %2 s</source>
        <translation>%1 has stayed connected for %2 s</translation>
    </message>
    <message>
        <source>still reconnecting: %1</source>
        <translation>still reconnecting: %1</translation>
    </message>
    <message>
        <source>line lost — waiting for the link to be made again (%1)</source>
        <translation>line lost — waiting for the link to be made again (%1)</translation>
    </message>
    <message>
        <source>line lost — waiting for the device to come back (%1)</source>
        <translation>line lost — waiting for the device to come back (%1)</translation>
    </message>
    <message>
        <source>line lost (%1) — a pseudo-terminal does not come back: choose the device again</source>
        <translation>line lost (%1) — a pseudo-terminal does not come back: choose the device again</translation>
    </message>
    <message>
        <source>reconnecting</source>
        <translation>reconnecting</translation>
    </message>
    <message>
        <source>line lost — reconnecting (%1)</source>
        <translation>line lost — reconnecting (%1)</translation>
    </message>
    <message>
        <source>no device</source>
        <translation>no device</translation>
    </message>
    <message>
        <source>port busy</source>
        <translation>port busy</translation>
    </message>
    <message>
        <source>no permission</source>
        <translation>no permission</translation>
    </message>
    <message>
        <source>cannot open</source>
        <translation>cannot open</translation>
    </message>
    <message>
        <source>device gone</source>
        <translation>device gone</translation>
    </message>
    <message>
        <source>connection closed by the server</source>
        <translation>connection closed by the server</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>error %1</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>serial %1</translation>
    </message>
    <message>
        <source>Bluetooth serial</source>
        <translation>Bluetooth serial</translation>
    </message>
</context>
</TS>
