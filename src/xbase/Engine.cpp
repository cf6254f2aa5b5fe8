#include "Engine.h"

#include <algorithm>
#include <cstdlib>

namespace xbase {

Engine::Engine() = default;

Engine::~Engine() { closeAll(); }

int Engine::setErrorCode(int code)
{
    int old = m_errorCode;
    m_errorCode = code;
    if (code == 0) m_errorText.clear();
    return old;
}

int Engine::raise(int code, const std::string &text)
{
    m_errorCode = code;
    m_errorText = text;
    if (errorHook) errorHook(code, text);
    return code;
}

void Engine::exitNow()
{
    if (exitHook) {
        exitHook();
        return;
    }
    std::exit(1);
}

Table *Engine::open(const std::string &name)
{
    auto table = std::make_unique<Table>(*this);
    if (!table->open(name)) return nullptr;
    m_tables.push_back(std::move(table));
    return m_tables.back().get();
}

int Engine::close(Table *table)
{
    auto it = std::find_if(m_tables.begin(), m_tables.end(),
                           [table](const auto &t) { return t.get() == table; });
    if (it == m_tables.end()) return raise(e4param, "closing a table that is not open");
    int rc = (*it)->close();
    m_tables.erase(it);
    return rc;
}

int Engine::closeAll()
{
    int rc = 0;
    for (auto &t : m_tables) {
        int r = t->close();
        if (r < 0 && rc == 0) rc = r;
    }
    m_tables.clear();
    return rc;
}

} // namespace xbase
