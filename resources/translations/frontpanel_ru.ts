<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="en">
<context>
    <name>ChartExport</name>
    <message>
        <source>cannot write the image</source>
        <translation>не удаётся записать изображение</translation>
    </message>
</context>
<context>
    <name>CsvRecorder</name>
    <message>
        <source>Cannot record to %1</source>
        <translation>Не удаётся записывать в %1</translation>
    </message>
    <message>
        <source>Cannot record to standard output</source>
        <translation>Не удаётся записывать в стандартный вывод</translation>
    </message>
    <message>
        <source>Cannot read the header of %1</source>
        <translation>Не удаётся прочитать заголовок %1</translation>
    </message>
    <message>
        <source>Cannot record to %1: it holds other data (its first line is not &quot;%2&quot;); choose a new file</source>
        <translation>Не удаётся записывать в %1: в нём другие данные (его первая строка — не «%2»); выберите новый файл</translation>
    </message>
    <message>
        <source>Recording stopped: cannot write to %1</source>
        <translation>Запись остановлена: не удаётся писать в %1</translation>
    </message>
    <message>
        <source>Recording stopped: cannot write to standard output</source>
        <translation>Запись остановлена: не удаётся писать в стандартный вывод</translation>
    </message>
    <message>
        <source>Recording stopped: %1 was removed</source>
        <translation>Запись остановлена: файл %1 удалён</translation>
    </message>
</context>
<context>
    <name>KeyboardMap</name>
    <message>
        <source>Input A: coupling ≈ / ~</source>
        <translation>Вход A: связь ≈ / ~</translation>
    </message>
    <message>
        <source>Input A: attenuator 1:1 / 1:10</source>
        <translation>Вход A: аттенюатор 1:1 / 1:10</translation>
    </message>
    <message>
        <source>Averaging / count time 1 ms</source>
        <translation>Время счёта / усреднения 1 мс</translation>
    </message>
    <message>
        <source>Averaging / count time 10 ms</source>
        <translation>Время счёта / усреднения 10 мс</translation>
    </message>
    <message>
        <source>Averaging / count time 100 ms</source>
        <translation>Время счёта / усреднения 100 мс</translation>
    </message>
    <message>
        <source>Averaging / count time 1000 ms</source>
        <translation>Время счёта / усреднения 1000 мс</translation>
    </message>
    <message>
        <source>Averaging / count time 10000 ms</source>
        <translation>Время счёта / усреднения 10000 мс</translation>
    </message>
    <message>
        <source>Memory (hold the reading)</source>
        <translation>Память (удержание показания)</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁷ s</source>
        <translation>Метки времени 10⁻⁷ с</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁶ s</source>
        <translation>Метки времени 10⁻⁶ с</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁵ s</source>
        <translation>Метки времени 10⁻⁵ с</translation>
    </message>
    <message>
        <source>Time marks 10⁻⁴ s</source>
        <translation>Метки времени 10⁻⁴ с</translation>
    </message>
    <message>
        <source>Time marks 10⁻³ s</source>
        <translation>Метки времени 10⁻³ с</translation>
    </message>
    <message>
        <source>Input impedance 1 MΩ / 50 Ω</source>
        <translation>Входное сопротивление 1 МОм / 50 Ом</translation>
    </message>
    <message>
        <source>Input B: coupling ≈ / ~</source>
        <translation>Вход B: связь ≈ / ~</translation>
    </message>
    <message>
        <source>Input B: attenuator 1:1 / 1:10</source>
        <translation>Вход B: аттенюатор 1:1 / 1:10</translation>
    </message>
    <message>
        <source>Low frequencies</source>
        <translation>Низкие частоты (НЧ)</translation>
    </message>
    <message>
        <source>Input A / C</source>
        <translation>Вход A / C</translation>
    </message>
    <message>
        <source>F: frequency</source>
        <translation>F: частота</translation>
    </message>
    <message>
        <source>T: period</source>
        <translation>T: период</translation>
    </message>
    <message>
        <source>A/B: ratio</source>
        <translation>A/B: отношение частот</translation>
    </message>
    <message>
        <source>t: time interval</source>
        <translation>t: интервал времени</translation>
    </message>
    <message>
        <source>Pulse polarity + / −</source>
        <translation>Полярность импульсов + / −</translation>
    </message>
    <message>
        <source>Display time 0.3 s</source>
        <translation>Время индикации 0,3 с</translation>
    </message>
    <message>
        <source>Display time 1 s</source>
        <translation>Время индикации 1 с</translation>
    </message>
    <message>
        <source>Display time 2 s</source>
        <translation>Время индикации 2 с</translation>
    </message>
    <message>
        <source>Display time 4 s</source>
        <translation>Время индикации 4 с</translation>
    </message>
    <message>
        <source>Test: F and T together (double click on F or T)</source>
        <translation>Тест: F и T вместе (двойной щелчок по F или T)</translation>
    </message>
</context>
<context>
    <name>Measurement</name>
    <message>
        <source>test</source>
        <translation>тест</translation>
    </message>
</context>
<context>
    <name>SeriesTables</name>
    <message>
        <source>count</source>
        <translation>количество</translation>
    </message>
    <message>
        <source>last</source>
        <translation>последнее</translation>
    </message>
    <message>
        <source>mean</source>
        <translation>среднее</translation>
    </message>
    <message>
        <source>min</source>
        <translation>минимум</translation>
    </message>
    <message>
        <source>max</source>
        <translation>максимум</translation>
    </message>
    <message>
        <source>peak-to-peak</source>
        <translation>размах</translation>
    </message>
    <message>
        <source>standard deviation</source>
        <translation>СКО</translation>
    </message>
    <message>
        <source>tau0</source>
        <translation>τ0</translation>
    </message>
    <message>
        <source>drift per day</source>
        <translation>дрейф за сутки</translation>
    </message>
</context>
<context>
    <name>TAdevPlot</name>
    <message>
        <source>τ, s</source>
        <translation>τ, с</translation>
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
        <translation>%1 от %2</translation>
    </message>
    <message>
        <source>Frequency stability</source>
        <translation>Стабильность частоты</translation>
    </message>
    <message>
        <source>TDEV σx(τ), s</source>
        <translation>TDEV σx(τ), с</translation>
    </message>
</context>
<context>
    <name>TDeviceChooser</name>
    <message>
        <source>Port</source>
        <translation>Порт</translation>
    </message>
    <message>
        <source>Device for</source>
        <translation>Устройство для</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Устройство</translation>
    </message>
    <message>
        <source>What it is</source>
        <translation>Что это</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Сейчас</translation>
    </message>
    <message>
        <source>any device path, e.g. /dev/ttyUSB0, or tcp://host:port, rfc2217://host:port</source>
        <translation>любой путь к устройству, например /dev/ttyUSB0, или tcp://узел:порт, rfc2217://узел:порт</translation>
    </message>
    <message>
        <source>Devices (what Com1 and Com2 stand for, those chosen before, those of this computer) and whether they may be used now:</source>
        <translation>Устройства (то, что сейчас означают Com1 и Com2, выбранные ранее и устройства этого компьютера) и можно ли ими воспользоваться сейчас:</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Устройство:</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Record every frame</source>
        <translation>Записывать каждый кадр</translation>
    </message>
    <message>
        <source>A row for every frame instead of one per measurement</source>
        <translation>Строка на каждый кадр, а не одна на измерение</translation>
    </message>
    <message>
        <source>%1 — key %2</source>
        <translation>%1 — клавиша %2</translation>
    </message>
    <message>
        <source>; double click: test mode — key %1</source>
        <translation>; двойной щелчок: режим «тест» — клавиша %1</translation>
    </message>
    <message>
        <source>copied %1</source>
        <translation>скопировано: %1</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>О программе «%1»</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;%1&lt;/b&gt; — the remote front panel of the frequency counter, version %2.&lt;/p&gt;&lt;p&gt;Copyright © the front panel&apos;s authors. This program is free software under the GNU General Public License, version 3 or later; it comes with no warranty.&lt;/p&gt;&lt;p&gt;The manual: &lt;tt&gt;man frontpanel&lt;/tt&gt; (the logger, the command line, the exit statuses) and %3; the keys: Keyboard… in the context menu.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;%1&lt;/b&gt; — удалённая передняя панель частотомера, версия %2.&lt;/p&gt;&lt;p&gt;Авторские права © авторы передней панели. Это свободная программа, распространяемая на условиях GNU General Public License версии 3 или более поздней; она поставляется без каких-либо гарантий.&lt;/p&gt;&lt;p&gt;Руководство: &lt;tt&gt;man frontpanel&lt;/tt&gt; (регистратор, командная строка, коды завершения) и %3; клавиши: «Клавиатура…» в контекстном меню.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Com%1 now</source>
        <translation>сейчас Com%1</translation>
    </message>
    <message>
        <source>chosen before</source>
        <translation>выбрано ранее</translation>
    </message>
    <message>
        <source>Key %1 was not sent: the line to the instrument on COM%2 is lost. The window reconnects once the device is back (Reconnect now, in the context menu, tries at once).</source>
        <translation>Клавиша %1 не передана: линия связи с прибором на COM%2 потеряна. Окно подключится снова, как только устройство вернётся (пункт «Подключить сейчас» в контекстном меню пробует сразу).</translation>
    </message>
</context>
<context>
    <name>THistogramChart</name>
    <message>
        <source>Histogram</source>
        <translation>Гистограмма</translation>
    </message>
    <message>
        <source>count</source>
        <translation>число</translation>
    </message>
</context>
<context>
    <name>TKeyboardHelp</name>
    <message>
        <source>Keyboard</source>
        <translation>Клавиатура</translation>
    </message>
    <message>
        <source>Panel key</source>
        <translation>Клавиша панели</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Код</translation>
    </message>
    <message>
        <source>Does</source>
        <translation>Действие</translation>
    </message>
    <message>
        <source>Commands of the window (also in its context menu):</source>
        <translation>Команды окна (они есть и в его контекстном меню):</translation>
    </message>
</context>
<context>
    <name>TMeasurementsWindow</name>
    <message>
        <source>the line came back</source>
        <translation>восстановление линии</translation>
    </message>
    <message>
        <source>a missing gate</source>
        <translation>пропуск цикла счёта</translation>
    </message>
    <message>
        <source>a key changed the settings</source>
        <translation>смена режима клавишей</translation>
    </message>
    <message>
        <source>the hold ended</source>
        <translation>конец удержания</translation>
    </message>
    <message>
        <source>the overflow ended</source>
        <translation>конец переполнения</translation>
    </message>
    <message>
        <source>the reset</source>
        <translation>сброс</translation>
    </message>
    <message>
        <source>the start</source>
        <translation>запуск</translation>
    </message>
    <message>
        <source>Measurements</source>
        <translation>Измерения</translation>
    </message>
    <message>
        <source>Measurements…</source>
        <translation>Измерения…</translation>
    </message>
    <message>
        <source>Reset statistics</source>
        <translation>Сбросить статистику</translation>
    </message>
    <message>
        <source>Whole series</source>
        <translation>Вся серия</translation>
    </message>
    <message>
        <source>Back to the whole series, scrolling on with new measurements (Home in the chart)</source>
        <translation>Вернуться ко всей серии и следовать за новыми измерениями (Home на графике)</translation>
    </message>
    <message>
        <source>Save the statistics as CSV</source>
        <translation>Сохранить статистику в CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Файлы CSV (*.csv)</translation>
    </message>
    <message>
        <source>quantity</source>
        <translation>величина</translation>
    </message>
    <message>
        <source>value</source>
        <translation>значение</translation>
    </message>
    <message>
        <source>unit</source>
        <translation>ед. изм.</translation>
    </message>
    <message>
        <source>terms</source>
        <translation>слаг.</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Статистика</translation>
    </message>
    <message>
        <source>No measurement with a value yet.</source>
        <translation>Пока нет ни одного измерения со значением.</translation>
    </message>
    <message>
        <source>no unit</source>
        <translation>нет</translation>
    </message>
    <message>
        <source>Left out of the statistics: %1 held, %2 overflowed, %3 bad frames.</source>
        <translation>Не вошли в статистику: удержанных — %1, с переполнением — %2, ошибочных кадров — %3.</translation>
    </message>
    <message>
        <source>Cannot save to %1: %2</source>
        <translation>Не удаётся сохранить в %1: %2</translation>
    </message>
    <message>
        <source>PNG images (*.png);;SVG drawings (*.svg)</source>
        <translation>Изображения PNG (*.png);;Рисунки SVG (*.svg)</translation>
    </message>
    <message>
        <source>dev.</source>
        <translation>дев.</translation>
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
        <translation>нижн.</translation>
    </message>
    <message>
        <source>high</source>
        <translation>верхн.</translation>
    </message>
    <message>
        <source>noise</source>
        <translation>шум</translation>
    </message>
    <message>
        <source>&amp;ADEV (Allan)</source>
        <translation>&amp;ADEV (Аллана)</translation>
    </message>
    <message>
        <source>&amp;Overlapping ADEV</source>
        <translation>ADEV с &amp;перекрытием</translation>
    </message>
    <message>
        <source>&amp;MDEV (modified Allan)</source>
        <translation>&amp;MDEV (модифицированная Аллана)</translation>
    </message>
    <message>
        <source>&amp;TDEV (time)</source>
        <translation>&amp;TDEV (временная)</translation>
    </message>
    <message>
        <source>&amp;HDEV (Hadamard)</source>
        <translation>&amp;HDEV (Адамара)</translation>
    </message>
    <message>
        <source>Overlapping H&amp;DEV</source>
        <translation>H&amp;DEV с перекрытием</translation>
    </message>
    <message>
        <source>&amp;Deviations</source>
        <translation>&amp;Девиации</translation>
    </message>
    <message>
        <source>&amp;95 % intervals</source>
        <translation>Интервалы &amp;95 %</translation>
    </message>
    <message>
        <source>&amp;Remove the linear drift</source>
        <translation>&amp;Убрать линейный дрейф</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Сохранить</translation>
    </message>
    <message>
        <source>T&amp;rend chart…</source>
        <translation>График т&amp;ренда…</translation>
    </message>
    <message>
        <source>Save the trend chart</source>
        <translation>Сохранить график тренда</translation>
    </message>
    <message>
        <source>S&amp;tability chart…</source>
        <translation>График с&amp;табильности…</translation>
    </message>
    <message>
        <source>Save the stability chart</source>
        <translation>Сохранить график стабильности</translation>
    </message>
    <message>
        <source>&amp;Histogram…</source>
        <translation>&amp;Гистограмма…</translation>
    </message>
    <message>
        <source>Save the histogram</source>
        <translation>Сохранить гистограмму</translation>
    </message>
    <message>
        <source>&amp;Statistics…</source>
        <translation>&amp;Статистика…</translation>
    </message>
    <message>
        <source>&amp;Deviations…</source>
        <translation>&amp;Девиации…</translation>
    </message>
    <message>
        <source>Save the deviations as CSV</source>
        <translation>Сохранить девиации в CSV</translation>
    </message>
    <message>
        <source>Stability: deviations and their intervals</source>
        <translation>Стабильность: девиации и их интервалы</translation>
    </message>
    <message>
        <source>Series: mode %1, averaging %2 ms, in %3.  Segment %4 of the series, since %5: %6 measurements (the statistics and the histogram are of this segment; the trend breaks where a segment begins).</source>
        <translation>Серия: режим %1, время счёта %2 мс, единица: %3.  Участок %4 серии, начало — %5; измерений: %6 (статистика и гистограмма относятся к этому участку; на графике тренда участки не соединяются).</translation>
    </message>
    <message>
        <source>The deviations take the %1 segments measured with these settings, no term across a gap.</source>
        <translation>Девиации вычислены по %1 участкам, измеренным с этими настройками, без слагаемых через разрыв.</translation>
    </message>
    <message>
        <source>Cannot save the chart to %1: %2</source>
        <translation>Не удаётся сохранить график в %1: %2</translation>
    </message>
    <message>
        <source>mode %1, averaging %2 ms, %3, %4 values, frontpanel %5</source>
        <translation>режим %1, время счёта %2 мс, %3, значений: %4, frontpanel %5</translation>
    </message>
</context>
<context>
    <name>TPanelActions</name>
    <message>
        <source>Record…</source>
        <translation>Запись…</translation>
    </message>
    <message>
        <source>Copy reading</source>
        <translation>Копировать показание</translation>
    </message>
    <message>
        <source>Port…</source>
        <translation>Порт…</translation>
    </message>
    <message>
        <source>Reconnect now</source>
        <translation>Подключить сейчас</translation>
    </message>
    <message>
        <source>Keyboard…</source>
        <translation>Клавиатура…</translation>
    </message>
    <message>
        <source>About…</source>
        <translation>О программе…</translation>
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
        <translation>MQTT: повтор</translation>
    </message>
    <message>
        <source>MQTT…</source>
        <translation>MQTT…</translation>
    </message>
    <message numerus="yes">
        <source>%n dropped</source>
        <translation>
            <numerusform>потеряно: %n</numerusform>
            <numerusform>потеряно: %n</numerusform>
            <numerusform>потеряно: %n</numerusform>
        </translation>
    </message>
    <message>
        <source>Publishing to %1 on %2 and %3
sent %4, dropped %5, waiting %6</source>
        <translation>Публикация на %1 в %2 и %3
отправлено: %4, потеряно: %5, в очереди: %6</translation>
    </message>
</context>
<context>
    <name>TReadingLook</name>
    <message>
        <source>held</source>
        <translation>удержание</translation>
    </message>
    <message>
        <source>overflow: choose a shorter averaging time</source>
        <translation>переполнение: выберите меньшее время счёта</translation>
    </message>
</context>
<context>
    <name>TRecordingControl</name>
    <message>
        <source>Record measurements to (an existing file is appended to)</source>
        <translation>Записывать измерения в файл (существующий файл дополняется)</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>Файлы CSV (*.csv);;Все файлы (*)</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>Остановить запись</translation>
    </message>
    <message>
        <source>Record…</source>
        <translation>Запись…</translation>
    </message>
    <message>
        <source>(nine columns)</source>
        <translation>(девять столбцов)</translation>
    </message>
    <message>
        <source>Recorded before flags and segments: appended in its nine columns, trusted measurements only</source>
        <translation>Файл записан до появления флагов и участков: дополняется в прежних девяти столбцах, только достоверными измерениями</translation>
    </message>
    <message>
        <source>REC</source>
        <comment>the strip&apos;s mark of a running recording</comment>
        <translation>ЗАПИСЬ</translation>
    </message>
    <message numerus="yes">
        <source>%n row(s)</source>
        <translation>
            <numerusform>%n строка</numerusform>
            <numerusform>%n строки</numerusform>
            <numerusform>%n строк</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TTrendChart</name>
    <message>
        <source>Trend</source>
        <translation>Тренд</translation>
    </message>
    <message>
        <source>time, s</source>
        <translation>время, с</translation>
    </message>
    <message>
        <source>Wheel: zoom; drag: zoom to a rectangle; Shift+drag or middle drag, arrow keys: pan; double click or Home: the whole series</source>
        <translation>Колесо: масштаб; перетаскивание: увеличить прямоугольник; Shift+перетаскивание, средняя кнопка или стрелки: сдвиг; двойной щелчок или Home: вся серия</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>Hz</source>
        <translation>Гц</translation>
    </message>
    <message>
        <source>s</source>
        <translation>с</translation>
    </message>
    <message>
        <source>n</source>
        <translation>н</translation>
    </message>
    <message>
        <source>µ</source>
        <translation>мк</translation>
    </message>
    <message>
        <source>m</source>
        <translation>м</translation>
    </message>
    <message>
        <source>k</source>
        <translation>к</translation>
    </message>
    <message>
        <source>M</source>
        <translation>М</translation>
    </message>
    <message>
        <source>G</source>
        <translation>Г</translation>
    </message>
</context>
<context>
    <name>Words</name>
    <message>
        <source>free, open in %1</source>
        <translation>свободно, открыто в %1</translation>
    </message>
    <message>
        <source>free</source>
        <translation>свободно</translation>
    </message>
    <message>
        <source>open in this window</source>
        <translation>открыто в этом окне</translation>
    </message>
    <message>
        <source>busy: %1</source>
        <translation>занято: %1</translation>
    </message>
    <message>
        <source>forbidden: join the group %1 (sudo usermod -aG %1 $USER, then log in again)</source>
        <translation>нет доступа: вступите в группу %1 (sudo usermod -aG %1 $USER, затем войдите в систему снова)</translation>
    </message>
    <message>
        <source>forbidden: only its owner %1 may open it</source>
        <translation>нет доступа: открыть его может только владелец %1</translation>
    </message>
    <message>
        <source>not there</source>
        <translation>отсутствует</translation>
    </message>
    <message>
        <source>not a serial device</source>
        <translation>не последовательный порт</translation>
    </message>
    <message>
        <source>network</source>
        <translation>сеть</translation>
    </message>
    <message>
        <source>no data for %1 s</source>
        <translation>нет данных %1 с</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>подключено</translation>
    </message>
    <message>
        <source>closed</source>
        <translation>закрыт</translation>
    </message>
    <message>
        <source> · no answer to key %1</source>
        <translation> · нет ответа на клавишу %1</translation>
    </message>
    <message>
        <source>choose another device with Port… (Ctrl+P)</source>
        <translation>выберите другое устройство командой «Порт…» (Ctrl+P)</translation>
    </message>
    <message>
        <source>name another device with --port %1=PATH</source>
        <translation>укажите другое устройство ключом --port %1=ПУТЬ</translation>
    </message>
    <message>
        <source>Cannot connect %1: %2 is no network address (%3). Write tcp://HOST:PORT or rfc2217://HOST:PORT.</source>
        <translation>Не удаётся подключить %1: %2 — не сетевой адрес (%3). Пишите tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: the name %3 does not resolve. Check the host name, or give its address.</source>
        <translation>Не удаётся подключить %1 к %2: имя %3 не разрешается в адрес. Проверьте имя узла или укажите его адрес.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: nothing accepts connections on port %3 of %4. Start the device server, or check that it serves that port.</source>
        <translation>Не удаётся подключить %1 к %2: на порту %3 узла %4 никто не принимает соединений. Запустите сервер устройств или проверьте, что он обслуживает этот порт.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: %3 did not answer within %4 s. Check the address and that the network reaches it.</source>
        <translation>Не удаётся подключить %1 к %2: %3 не ответил за %4 с. Проверьте адрес и доступность узла по сети.</translation>
    </message>
    <message>
        <source>Cannot connect %1 to %2: %3.</source>
        <translation>Не удаётся подключить %1 к %2: %3.</translation>
    </message>
    <message>
        <source>choose its device with Port… (Ctrl+P)</source>
        <translation>выберите его устройство командой «Порт…» (Ctrl+P)</translation>
    </message>
    <message>
        <source>name its device with --port %1=PATH</source>
        <translation>укажите его устройство ключом --port %1=ПУТЬ</translation>
    </message>
    <message>
        <source>Cannot open %1: there is no device at %2. Connect the instrument, or %3.</source>
        <translation>Не удаётся открыть %1: устройства %2 нет. Подключите прибор или %3.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 is not a serial device. Choose the instrument&apos;s serial device with Port… (Ctrl+P).</source>
        <translation>Не удаётся открыть %1: %2 — не последовательный порт. Выберите последовательный порт прибора командой «Порт…» (Ctrl+P).</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 is not a serial device. Name the instrument&apos;s serial device with --port %3=PATH.</source>
        <translation>Не удаётся открыть %1: %2 — не последовательный порт. Укажите последовательный порт прибора ключом --port %3=ПУТЬ.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 is in use by %3. Close that program, or %4.</source>
        <translation>Не удаётся открыть %1: %2 занят, его использует %3. Закройте эту программу или %4.</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>другая программа</translation>
    </message>
    <message>
        <source>Cannot open %1: you may not use %2, but members of the group %3 may. Join it (sudo usermod -aG %3 $USER), then log out and in again.</source>
        <translation>Не удаётся открыть %1: у вас нет доступа к %2, а у членов группы %3 он есть. Вступите в неё (sudo usermod -aG %3 $USER), затем выйдите из системы и войдите снова.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2 belongs to %3 (%4), and only its owner may open it. Use a device of your own, or ask %3 or the administrator for access.</source>
        <translation>Не удаётся открыть %1: %2 принадлежит пользователю %3 (%4), и открыть его может только владелец. Воспользуйтесь своим устройством или попросите доступ у %3 или администратора.</translation>
    </message>
    <message>
        <source>Cannot open %1: you may not use %2. Ask the administrator for read and write access to it.</source>
        <translation>Не удаётся открыть %1: у вас нет доступа к %2. Попросите администратора дать вам права на чтение и запись.</translation>
    </message>
    <message>
        <source>Cannot open %1 on %2.</source>
        <translation>Не удаётся открыть %1 на %2.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2: %3. Check the path, or %4.</source>
        <translation>Не удаётся открыть %1: %2: %3. Проверьте путь или %4.</translation>
    </message>
    <message>
        <source>%1 still leads to %2, the pseudo-terminal that went away, which another program may have now; waiting for the link to be made again</source>
        <translation>%1 всё ещё ведёт к %2 — исчезнувшему псевдотерминалу, который теперь может принадлежать другой программе; ждём, пока ссылку создадут заново</translation>
    </message>
    <message>
        <source>%1: waiting for the device to come back</source>
        <translation>%1: ждём возвращения устройства</translation>
    </message>
    <message>
        <source>%1 was a pseudo-terminal, which does not come back once its far end has closed (its number goes to the next program that asks for one); not reconnecting: give the new path</source>
        <translation>%1 был псевдотерминалом, а псевдотерминал не возвращается после закрытия другого конца (его номер достанется следующей программе, которая его запросит); переподключения не будет: укажите новый путь</translation>
    </message>
    <message>
        <source>reconnected to %1</source>
        <translation>снова подключено к %1</translation>
    </message>
    <message>
        <source>line lost on %1: %2; reconnecting</source>
        <translation>линия на %1 потеряна: %2; переподключение</translation>
    </message>
    <message>
        <source>line lost again on %1 %2 s after it opened (%3); reconnecting without further word until a connection lasts %4 s</source>
        <translation>линия на %1 снова потеряна через %2 с после открытия (%3); переподключение без дальнейших сообщений, пока соединение не продержится %4 с</translation>
    </message>
    <message>
        <source>%1 has stayed connected for %2 s</source>
        <translation>%1: подключено уже %2 с</translation>
    </message>
    <message>
        <source>still reconnecting: %1</source>
        <translation>переподключение продолжается: %1</translation>
    </message>
    <message>
        <source>line lost — waiting for the link to be made again (%1)</source>
        <translation>линия потеряна — ждём, пока ссылку создадут заново (%1)</translation>
    </message>
    <message>
        <source>line lost — waiting for the device to come back (%1)</source>
        <translation>линия потеряна — ждём возвращения устройства (%1)</translation>
    </message>
    <message>
        <source>line lost (%1) — a pseudo-terminal does not come back: choose the device again</source>
        <translation>линия потеряна (%1) — псевдотерминал не возвращается: выберите устройство заново</translation>
    </message>
    <message>
        <source>reconnecting</source>
        <translation>переподключение</translation>
    </message>
    <message>
        <source>line lost — reconnecting (%1)</source>
        <translation>линия потеряна — переподключение (%1)</translation>
    </message>
    <message>
        <source>no device</source>
        <translation>нет устройства</translation>
    </message>
    <message>
        <source>port busy</source>
        <translation>порт занят</translation>
    </message>
    <message>
        <source>no permission</source>
        <translation>нет доступа</translation>
    </message>
    <message>
        <source>cannot open</source>
        <translation>не открывается</translation>
    </message>
    <message>
        <source>device gone</source>
        <translation>устройство пропало</translation>
    </message>
    <message>
        <source>connection closed by the server</source>
        <translation>сервер закрыл соединение</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>ошибка %1</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>серийный номер %1</translation>
    </message>
    <message>
        <source>Bluetooth serial</source>
        <translation>последовательный порт Bluetooth</translation>
    </message>
</context>
</TS>
