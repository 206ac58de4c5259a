<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>BoxWatcher</name>
    <message>
        <source>nobody to answer the login dialog; cancelled</source>
        <translation>некому ответить в окне входа; отменено</translation>
    </message>
</context>
<context>
    <name>CWinMain</name>
    <message>
        <source>Storing the settings on %1…</source>
        <translation>Сохранение настроек на %1…</translation>
    </message>
    <message>
        <source>Waiting for %1…</source>
        <translation>Ожидание ответа %1…</translation>
    </message>
    <message>
        <source>The settings could not be stored on %1.

%2</source>
        <translation>Не удалось сохранить настройки на %1.

%2</translation>
    </message>
    <message>
        <source>Discard 1 change?</source>
        <translation>Отменить 1 изменение?</translation>
    </message>
    <message>
        <source>Discard %1 changes?</source>
        <translation>Отменить изменения (%1)?</translation>
    </message>
    <message>
        <source>They have not been stored on the recorder.</source>
        <translation>Они не сохранены в регистраторе.</translation>
    </message>
    <message>
        <source>1 change not stored on the recorder will be lost.</source>
        <translation>1 изменение, не сохранённое в регистраторе, будет потеряно.</translation>
    </message>
    <message>
        <source>%1 changes not stored on the recorder will be lost.</source>
        <translation>Изменения, не сохранённые в регистраторе (%1), будут потеряны.</translation>
    </message>
    <message>
        <source>Store them first with OK or Apply, or go on without them.</source>
        <translation>Сохраните их кнопкой ОК или «Применить» или продолжайте без них.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a settings file of this recorder: line %2: %3</source>
        <translation>«%1» не является файлом настроек этого регистратора: строка %2: %3</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no setting</source>
        <translation>«%1» не является настройкой</translation>
    </message>
    <message>
        <source>Unknown control type action &quot;%1&quot;</source>
        <translation>Неизвестное действие типа элемента «%1»</translation>
    </message>
    <message>
        <source>Unknown control type &quot;%1&quot;</source>
        <translation>Неизвестный тип элемента «%1»</translation>
    </message>
    <message>
        <source>Unknown node type &quot;%1&quot;</source>
        <translation>Неизвестный тип узла «%1»</translation>
    </message>
    <message>
        <source>Cannot read file %1</source>
        <translation>Не удаётся прочитать файл %1</translation>
    </message>
    <message>
        <source>%1 is not an Panorix Setup config file.</source>
        <translation>%1 не является файлом настройки Panorix Setup.</translation>
    </message>
    <message>
        <source>%1 file version is not 1.0</source>
        <translation>Версия файла %1 не 1.0</translation>
    </message>
    <message>
        <source>Unknown dialog tag &quot;%1&quot;</source>
        <translation>Неизвестный тег диалога «%1»</translation>
    </message>
    <message>
        <source>Dialog &quot;%1&quot; is already open</source>
        <translation>Диалог «%1» уже открыт</translation>
    </message>
    <message>
        <source>Dialog &quot;%1&quot; not opened: dialogs nest at most %2 deep</source>
        <translation>Диалог «%1» не открыт: вложенность диалогов не более %2</translation>
    </message>
    <message>
        <source>Wrong %0 param &quot;%1&quot;</source>
        <translation>Неверный параметр %0 «%1»</translation>
    </message>
    <message>
        <source>Wrong %0 action &quot;%1&quot;</source>
        <translation>Неверное действие %0 «%1»</translation>
    </message>
    <message>
        <source>Wrong arguments %1(%2)</source>
        <translation>Неверные аргументы %1(%2)</translation>
    </message>
    <message>
        <source>Can&apos;t open file&quot;%1&quot;</source>
        <translation>Не удаётся открыть файл «%1»</translation>
    </message>
    <message>
        <source>This text is not accepted here.</source>
        <translation>Этот текст здесь не допускается.</translation>
    </message>
    <message>
        <source>Unknown time task &quot;%1&quot;</source>
        <translation>Неизвестная периодическая задача «%1»</translation>
    </message>
    <message>
        <source>Unknown %1 tag &quot;%2&quot;</source>
        <translation>Неизвестный тег %1 «%2»</translation>
    </message>
    <message>
        <source>You are connected to the recorder as &quot;%1&quot;. Once the settings are stored, the recorder refuses this login, for this dialog and for every program that uses it.

Remove the user &quot;%1&quot; anyway?</source>
        <translation>Вы подключены к регистратору как &quot;%1&quot;. После сохранения настроек регистратор отклонит этот логин — для этого диалога и для всех программ, которые его используют.

Всё равно удалить пользователя &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>Remove the user &quot;%1&quot;?</source>
        <translation>Удалить пользователя &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>Remove user</source>
        <translation>Удаление пользователя</translation>
    </message>
    <message>
        <source>Stored on %1 at %2.</source>
        <translation>Сохранено на %1 в %2.</translation>
    </message>
    <message>
        <source>Not available from a flash drive</source>
        <translation>Недоступно с флеш-накопителя</translation>
    </message>
</context>
<context>
    <name>HostSession</name>
    <message>
        <source>The recorder %1 is restarting. Open its setup again once it is back.</source>
        <translation>Регистратор %1 перезагружается. Откройте его настройку снова, когда он вернётся.</translation>
    </message>
    <message>
        <source>The recorder %1 was reset to its factory settings.</source>
        <translation>Настройки регистратора %1 сброшены к заводским.</translation>
    </message>
    <message>
        <source>No setup description %1 in %2</source>
        <translation>Нет описания настройки %1 в %2</translation>
    </message>
    <message>
        <source>Connecting to %1…</source>
        <translation>Подключение к %1…</translation>
    </message>
    <message>
        <source>Loading the configuration of %1…</source>
        <translation>Загрузка конфигурации %1…</translation>
    </message>
    <message>
        <source>Storing the settings on %1…</source>
        <translation>Сохранение настроек на %1…</translation>
    </message>
    <message>
        <source>Finishing the last request to %1…</source>
        <translation>Завершение последнего запроса к %1…</translation>
    </message>
    <message>
        <source>The settings could not be stored on %1.

%2</source>
        <translation>Не удалось сохранить настройки на %1.

%2</translation>
    </message>
    <message>
        <source>The last request to %1 failed.

%2</source>
        <translation>Последний запрос к %1 не выполнен.

%2</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Apply</source>
        <translation>Применить</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Настройка</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Tab 1</source>
        <translation>Вкладка 1</translation>
    </message>
    <message>
        <source>Tab 2</source>
        <translation>Вкладка 2</translation>
    </message>
</context>
<context>
    <name>NBXFlashDriveSetup</name>
    <message>
        <source>Refused &quot;%1&quot;: it lies outside &quot;%2&quot;</source>
        <translation>Отклонено «%1»: находится вне «%2»</translation>
    </message>
    <message>
        <source>Can not open &quot;%1&quot;</source>
        <translation>Не удаётся открыть «%1»</translation>
    </message>
    <message>
        <source>Can not write &quot;%1&quot;</source>
        <translation>Не удаётся записать «%1»</translation>
    </message>
</context>
<context>
    <name>NBXNetSetup</name>
    <message>
        <source>Wrong device answer</source>
        <translation>Неверный ответ устройства</translation>
    </message>
    <message>
        <source>Unrecognized device error &quot;%1&quot;</source>
        <translation>Нераспознанная ошибка устройства «%1»</translation>
    </message>
    <message>
        <source>Device error &quot;%1&quot;</source>
        <translation>Ошибка устройства «%1»</translation>
    </message>
    <message>
        <source>Can&apos;t read file &quot;%1&quot;</source>
        <translation>Не удаётся прочитать файл «%1»</translation>
    </message>
    <message>
        <source>from %1</source>
        <translation>от %1</translation>
    </message>
    <message>
        <source>Can not write &quot;%1&quot;</source>
        <translation>Не удаётся записать «%1»</translation>
    </message>
    <message>
        <source>The setup description %1 lists no files.</source>
        <translation>Описание настройки %1 не перечисляет ни одного файла.</translation>
    </message>
    <message>
        <source>Wrong network address &quot;%1&quot;&lt;br&gt;Correct one is login:password@address[:port]</source>
        <translation>Неверный сетевой адрес «%1»&lt;br&gt;Правильный вид: логин:пароль@адрес[:порт]</translation>
    </message>
    <message>
        <source>%1 in wrong operation %2</source>
        <translation>%1 при неверной операции %2</translation>
    </message>
    <message>
        <source>Device timed out</source>
        <translation>Устройство не отвечает</translation>
    </message>
    <message>
        <source>Network error %1: %2 (%3)</source>
        <translation>Сетевая ошибка %1: %2 (%3)</translation>
    </message>
    <message>
        <source>with no exchange running</source>
        <translation>когда обмен не идёт</translation>
    </message>
    <message>
        <source>while connecting</source>
        <translation>при подключении</translation>
    </message>
    <message>
        <source>while logging in</source>
        <translation>при входе</translation>
    </message>
    <message>
        <source>after the login</source>
        <translation>после входа</translation>
    </message>
    <message>
        <source>after the last request</source>
        <translation>после последнего запроса</translation>
    </message>
    <message>
        <source>during the request &quot;%1&quot;</source>
        <translation>во время запроса «%1»</translation>
    </message>
    <message>
        <source>%1 in wrong state %2</source>
        <translation>%1 в неверном состоянии %2</translation>
    </message>
</context>
<context>
    <name>NBXSettings</name>
    <message>
        <source>a line break cannot be written</source>
        <translation>перевод строки записать нельзя</translation>
    </message>
    <message>
        <source>a value with both kinds of quote cannot be written</source>
        <translation>значение с кавычками обоих видов записать нельзя</translation>
    </message>
    <message>
        <source>the key name cannot be written (it is empty or holds a blank or &quot;;&quot;)</source>
        <translation>имя ключа записать нельзя (оно пустое или содержит пробел или «;»)</translation>
    </message>
    <message>
        <source>the section name cannot be written (it is empty, holds a blank or reads as a key)</source>
        <translation>имя раздела записать нельзя (оно пустое, содержит пробел или читается как ключ)</translation>
    </message>
    <message>
        <source>a file without headers holds keys of &quot;untitled&quot; only</source>
        <translation>файл без заголовков содержит только ключи раздела «untitled»</translation>
    </message>
</context>
<context>
    <name>NBXSetup</name>
    <message>
        <source>File &quot;%1&quot; does not exist</source>
        <translation>Файл «%1» не существует</translation>
    </message>
    <message>
        <source>Wrong key &quot;%1&quot;</source>
        <translation>Неверный ключ «%1»</translation>
    </message>
    <message>
        <source>Wrong value &quot;%1&quot;</source>
        <translation>Неверное значение «%1»</translation>
    </message>
    <message>
        <source>Can not store &quot;%1&quot;: %2</source>
        <translation>Не удаётся сохранить «%1»: %2</translation>
    </message>
    <message>
        <source>Wrong regexp_key &quot;%1&quot;</source>
        <translation>Неверный regexp_key «%1»</translation>
    </message>
    <message>
        <source>Can not write &quot;%1&quot;</source>
        <translation>Не удаётся записать «%1»</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>malformed address: %1</source>
        <translation>неверный адрес: %1</translation>
    </message>
    <message>
        <source>expected login[:password]@host[:port]</source>
        <translation>ожидается логин[:пароль]@узел[:порт]</translation>
    </message>
    <message>
        <source>no login before &quot;@&quot;</source>
        <translation>нет логина перед «@»</translation>
    </message>
    <message>
        <source>no host after &quot;@&quot;</source>
        <translation>нет узла после «@»</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not host[:port]</source>
        <translation>«%1» не вида узел[:порт]</translation>
    </message>
    <message>
        <source>the port &quot;%1&quot; is not a number from 1 to 65535</source>
        <translation>порт «%1» не является числом от 1 до 65535</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Да</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Нет</translation>
    </message>
</context>
<context>
    <name>StereoRectification</name>
    <message>
        <source>Could not connect to device: socket creation error.</source>
        <translation>Не удалось подключиться к устройству: ошибка создания сокета.</translation>
    </message>
    <message>
        <source>Could not connect to device: socket connection error.</source>
        <translation>Не удалось подключиться к устройству: ошибка соединения.</translation>
    </message>
    <message>
        <source>The device stopped answering: no data came for %1 seconds.</source>
        <translation>Устройство перестало отвечать: данных не было %1 с.</translation>
    </message>
    <message>
        <source>The device closed the connection.</source>
        <translation>Устройство закрыло соединение.</translation>
    </message>
    <message>
        <source>The device reported an image size of %1 x %2; both sides must be between 1 and %3.</source>
        <translation>Устройство сообщило размер изображения %1 x %2; обе стороны должны быть от 1 до %3.</translation>
    </message>
    <message>
        <source>The cameras could not be calibrated from the collected images.</source>
        <translation>По собранным изображениям откалибровать камеры не удалось.</translation>
    </message>
    <message>
        <source>Number of images to rectify is not set</source>
        <translation>Число изображений для ректификации не задано</translation>
    </message>
    <message>
        <source>Number of images to rectify is above %1</source>
        <translation>Число изображений для ректификации больше %1</translation>
    </message>
    <message>
        <source>The chessboard pattern must have at least 2 x 2 inner corners; it is set to %1 x %2.</source>
        <translation>Шахматный шаблон должен иметь не менее 2 x 2 внутренних углов; задано %1 x %2.</translation>
    </message>
    <message>
        <source>Rectification...</source>
        <translation>Ректификация...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Rectification...
%1 of %2 pairs found, %3 tried</source>
        <translation>Ректификация...
найдено пар: %1 из %2, проверено: %3</translation>
    </message>
    <message>
        <source>The rectification could not be sent to the device: %1</source>
        <translation>Не удалось передать ректификацию на устройство: %1</translation>
    </message>
    <message>
        <source>Stereo Rectification Message.</source>
        <translation>Сообщение стереоректификации.</translation>
    </message>
    <message>
        <source>The device sent too slowly: a pair took more than %1 seconds.</source>
        <translation>Устройство передаёт слишком медленно: пара заняла больше %1 с.</translation>
    </message>
</context>
<context>
    <name>cDaylightOutlook</name>
    <message>
        <source>This zone keeps the same time all year.</source>
        <translation>В этом поясе время одно круглый год.</translation>
    </message>
    <message>
        <source>Daylight time is in force now. It ends at %1, when clocks go to %2.</source>
        <translation>Сейчас действует летнее время. Оно закончится в %1, часы переведут на %2.</translation>
    </message>
    <message>
        <source>Standard time now. Daylight time starts at %1, when clocks go to %2.</source>
        <translation>Сейчас зимнее время. Летнее начнётся в %1, часы переведут на %2.</translation>
    </message>
</context>
<context>
    <name>cDescriptionScanner</name>
    <message>
        <source>Cannot read the setup description %1.</source>
        <translation>Не удаётся прочитать описание настройки %1.</translation>
    </message>
    <message>
        <source>The setup description %1 is larger than %2 MiB.</source>
        <translation>Описание настройки %1 больше %2 МиБ.</translation>
    </message>
    <message>
        <source>The setup description %1 nests elements deeper than %2 levels (line %3, column %4).</source>
        <translation>В описании настройки %1 элементы вложены глубже %2 уровней (строка %3, столбец %4).</translation>
    </message>
    <message>
        <source>The setup description %1 is not well-formed (line %2, column %3): %4</source>
        <translation>Описание настройки %1 составлено неверно (строка %2, столбец %3): %4</translation>
    </message>
</context>
<context>
    <name>cDiskFitness</name>
    <message>
        <source>The disk reports no health data</source>
        <translation>Диск не сообщает данных о состоянии</translation>
    </message>
    <message>
        <source>%1 reallocated</source>
        <translation>переназначено: %1</translation>
    </message>
    <message>
        <source>%1 pending</source>
        <translation>ожидают: %1</translation>
    </message>
    <message>
        <source>%1 uncorrectable</source>
        <translation>неисправимо: %1</translation>
    </message>
    <message>
        <source>%1 hours in use</source>
        <translation>%1 ч в работе</translation>
    </message>
    <message>
        <source>rated %1 by the disk</source>
        <translation>оценка диска: %1</translation>
    </message>
</context>
<context>
    <name>cDlg</name>
    <message>
        <source>Dialog</source>
        <translation>Диалог</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Логин</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Пароль</translation>
    </message>
    <message>
        <source>Remember password</source>
        <translation>Запомнить пароль</translation>
    </message>
    <message>
        <source>The device refused login &quot;%1&quot;</source>
        <translation>Устройство отклонило логин «%1»</translation>
    </message>
    <message>
        <source>Please enter authorization information for </source>
        <translation>Введите данные для входа на </translation>
    </message>
    <message>
        <source>Login to %1</source>
        <translation>Вход на %1</translation>
    </message>
</context>
<context>
    <name>cGzDecompressor</name>
    <message>
        <source>Cannot read the setup description %1.</source>
        <translation>Не удаётся прочитать описание настройки %1.</translation>
    </message>
    <message>
        <source>The setup description %1 is truncated or damaged.</source>
        <translation>Описание настройки %1 обрезано или повреждено.</translation>
    </message>
    <message>
        <source>The setup description %1 unpacks to more than %2 MiB.</source>
        <translation>Описание настройки %1 распаковывается более чем в %2 МиБ.</translation>
    </message>
    <message>
        <source>Can not write &quot;%1&quot;</source>
        <translation>Не удаётся записать «%1»</translation>
    </message>
</context>
<context>
    <name>cODAdaptor</name>
    <message>
        <source>Velk R1 recorder</source>
        <translation>Регистратор Velk R1</translation>
    </message>
    <message>
        <source>Velk R2 recorder</source>
        <translation>Регистратор Velk R2</translation>
    </message>
    <message>
        <source>Velk R2 Lite recorder</source>
        <translation>Регистратор Velk R2 Lite</translation>
    </message>
    <message>
        <source>Velk R3 recorder</source>
        <translation>Регистратор Velk R3</translation>
    </message>
    <message>
        <source>Velk R3 Lite recorder</source>
        <translation>Регистратор Velk R3 Lite</translation>
    </message>
    <message>
        <source>Velk S1 video server</source>
        <translation>Видеосервер Velk S1</translation>
    </message>
    <message>
        <source>Velk S2 video server</source>
        <translation>Видеосервер Velk S2</translation>
    </message>
    <message>
        <source>Velk S2 PTZ video server</source>
        <translation>Поворотный видеосервер Velk S2 PTZ</translation>
    </message>
    <message>
        <source>Velk X1 recorder</source>
        <translation>Регистратор Velk X1</translation>
    </message>
    <message>
        <source>Velk X2 recorder</source>
        <translation>Регистратор Velk X2</translation>
    </message>
    <message>
        <source>Velk X2 stereo recorder</source>
        <translation>Стереорегистратор Velk X2</translation>
    </message>
    <message>
        <source>Velk M1 mobile recorder</source>
        <translation>Мобильный регистратор Velk M1</translation>
    </message>
    <message>
        <source>Velk M2 mobile recorder</source>
        <translation>Мобильный регистратор Velk M2</translation>
    </message>
    <message>
        <source>Velk M2 railway recorder</source>
        <translation>Железнодорожный регистратор Velk M2</translation>
    </message>
    <message>
        <source>Velk C1 camera</source>
        <translation>Камера Velk C1</translation>
    </message>
    <message>
        <source>Velk C1 PTZ camera</source>
        <translation>Поворотная камера Velk C1 PTZ</translation>
    </message>
    <message>
        <source>Velk C2 camera</source>
        <translation>Камера Velk C2</translation>
    </message>
</context>
<context>
    <name>cSoftList</name>
    <message>
        <source>Removed from the recorder</source>
        <translation>Удалён из регистратора</translation>
    </message>
    <message>
        <source>The recorder was told to remove this package.</source>
        <translation>Регистратору отправлена команда удалить этот пакет.</translation>
    </message>
</context>
<context>
    <name>cStereoResults</name>
    <message>
        <source>Principal Point:</source>
        <translation>Главная точка:</translation>
    </message>
    <message>
        <source>Radial coefficients:</source>
        <translation>Радиальные коэффициенты:</translation>
    </message>
    <message>
        <source>Rectification is done with average RMS error = %1.</source>
        <translation>Ректификация выполнена, средняя ошибка RMS = %1.</translation>
    </message>
    <message>
        <source>Left camera</source>
        <translation>Левая камера</translation>
    </message>
    <message>
        <source>Right camera</source>
        <translation>Правая камера</translation>
    </message>
    <message>
        <source>Focal length:</source>
        <translation>Фокусное расстояние:</translation>
    </message>
    <message>
        <source>Stereo rectification result</source>
        <translation>Результат ректификации стереокамер</translation>
    </message>
    <message>
        <source>The red lines should cross the same features in both pictures.
OK sends the rectification to the recorder and stores the settings there at once, with this date and error (and every other change made so far).
Cancel leaves the recorder and its settings as they were.</source>
        <translation>Красные линии должны проходить через одни и те же детали на обоих снимках.
ОК отправляет ректификацию в регистратор и сразу сохраняет там настройки с этой датой и ошибкой (и всеми другими изменениями).
Отмена оставляет регистратор и его настройки как были.</translation>
    </message>
    <message>
        <source>OK: send and store</source>
        <translation>ОК: отправить и сохранить</translation>
    </message>
</context>
</TS>
