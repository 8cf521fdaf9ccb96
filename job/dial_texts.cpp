#include "job/dial_texts.h"

#include <map>

namespace larkspur::job {

DialStateStep dialStateStep(std::int32_t state) {
    static const std::map<std::int32_t, DialStateStep> steps{
        {7, {QStringLiteral("Повтор авторизации")}},
        {14, {QStringLiteral("Пароль принят"), 100}},
        {19, {QStringLiteral("Начало процесса авторизации")}},
        {4099, {QStringLiteral("Неправильный пароль")}},
        {8192, {QStringLiteral("Успешное соединение"), 100, true}},
        {8193, {QStringLiteral("Ошибка при соединении!"), 100}},
    };
    const auto found = steps.find(state);
    return found == steps.end() ? DialStateStep{} : found->second;
}

QString dialErrorText(std::uint32_t error) {
    static const std::map<std::uint32_t, QString> texts{
        {601, QStringLiteral("Неверный указатель порта")},
        {602, QStringLiteral("Порт уже открыт")},
        {603, QStringLiteral("Нехватка пямяти")},
        {604, QStringLiteral("Неверная инфа")},
        {605, QStringLiteral("Что-то не работает")},
        {606, QStringLiteral("Порт не соединен")},
        {607, QStringLiteral("Что-то не то")},
        {608, QStringLiteral("Устройство не существует")},
        {609, QStringLiteral("Тип устройства неверен")},
        {610, QStringLiteral("Буфер не прет")},
        {611, QStringLiteral("Что-то недоступно")},
        {612, QStringLiteral("Что-то не найдено")},
        {613, QStringLiteral("Компрессия не работает")},
        {614, QStringLiteral("Не прет")},
        {615, QStringLiteral("Порт не найден")},
        {628, QStringLiteral("Не пошло")},
        {629, QStringLiteral("Удаленный комп сдох")},
        {630, QStringLiteral("Аппаратный сбой")},
        {631, QStringLiteral("Юзер отключился")},
        {635, QStringLiteral("Неизвестная ошибка")},
        {676, QStringLiteral("Занято")},
        {677, QStringLiteral("Ответили голосом")},
        {678, QStringLiteral("Нет ответа")},
        {679, QStringLiteral("Нет ответа")},
        {680, QStringLiteral("Нет гудка. Проведи телефон!")},
        {691, QStringLiteral("Пароль не подошел. Use PWLHack.")},
    };
    const auto found = texts.find(error);
    return found != texts.end() ? found->second
                                : QStringLiteral("Какая-то ошибка №") + QString::number(error);
}

} // namespace larkspur::job
