#include "server/ServerMain.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    return Nuvra::VRPC::runServer(std::vector<std::string>(argv, argv + argc));
}
