#include "app/Application.h"

int main()
{
    return app.run();
}
