#include "ColladaForgery.h"

namespace ColladaForgery {

namespace {

const char* const header = R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
)";

const char* const quadGeometry = R"(<library_geometries><geometry id="quad-mesh" name="quad-mesh"><mesh>
  <source id="quad-positions">
    <float_array id="quad-positions-array" count="12">-1 -1 0  1 -1 0  1 1 0  -1 1 0</float_array>
    <technique_common><accessor source="#quad-positions-array" count="4" stride="3">
      <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
    </accessor></technique_common></source>
  <vertices id="quad-vertices"><input semantic="POSITION" source="#quad-positions"/></vertices>
  <triangles material="quad-material" count="2">
    <input semantic="VERTEX" source="#quad-vertices" offset="0"/><p>0 1 2 0 2 3</p></triangles>
</mesh></geometry></library_geometries>
)";

std::string repeated(const std::string& text, std::size_t count)
{
    std::string all;
    all.reserve(text.size() * count);
    for (std::size_t time = 0; time < count; ++time) {
        all += text;
    }
    return all;
}

std::string materials(const std::string& effectParameters, const std::string& diffuse)
{
    return "<library_effects><effect id=\"quad-effect\"><profile_COMMON>" + effectParameters +
           "<technique sid=\"common\"><phong><diffuse>" + diffuse +
           "</diffuse></phong></technique></profile_COMMON></effect></library_effects>"
           "<library_materials><material id=\"quad-red\" name=\"quad-red\">"
           "<instance_effect url=\"#quad-effect\"/></material></library_materials>\n";
}

std::string scene(const std::string& inQuadNode, const std::string& geometryInstance)
{
    return "<library_visual_scenes><visual_scene id=\"scene\" name=\"scene\">"
           "<node id=\"quad\" name=\"quad\">" +
           inQuadNode + geometryInstance +
           "</node></visual_scene></library_visual_scenes>"
           "<scene><instance_visual_scene url=\"#scene\"/></scene>\n</COLLADA>\n";
}

std::string boundGeometry(const std::string& url, const std::string& element = "instance_geometry")
{
    return "<" + element + " url=\"" + url +
           "\"><bind_material><technique_common><instance_material symbol=\"quad-material\" "
           "target=\"#quad-red\"/></technique_common></bind_material></" +
           element + ">";
}

std::string withMaterials(const std::string& libraries, const std::string& inQuadNode,
                          const std::string& effectParameters, const std::string& diffuse)
{
    return header + materials(effectParameters, diffuse) + quadGeometry + libraries +
           scene(inQuadNode, boundGeometry("#quad-mesh"));
}

std::string controllers(const std::string& content)
{
    return document("<library_controllers>" + content + "</library_controllers>");
}

// Keys of the quad node's transform, as a float4x4 channel.
std::string animation(const std::string& times, const std::string& values, std::size_t count,
                      const std::string& valueParameter, std::size_t stride, const std::string& target)
{
    const std::string keyCount = std::to_string(count);
    return "<library_animations><animation id=\"path\">"
           "<source id=\"path-times\"><float_array id=\"path-times-array\" count=\"" +
           keyCount + "\">" + times +
           "</float_array><technique_common><accessor source=\"#path-times-array\" count=\"" + keyCount +
           "\" stride=\"1\"><param name=\"TIME\" type=\"float\"/></accessor></technique_common></source>"
           "<source id=\"path-values\"><float_array id=\"path-values-array\" count=\"" +
           std::to_string(count * stride) + "\">" + values +
           "</float_array><technique_common><accessor source=\"#path-values-array\" count=\"" + keyCount +
           "\" stride=\"" + std::to_string(stride) + "\">" + valueParameter +
           "</accessor></technique_common></source>"
           "<sampler id=\"path-sampler\"><input semantic=\"INPUT\" source=\"#path-times\"/>"
           "<input semantic=\"OUTPUT\" source=\"#path-values\"/></sampler>"
           "<channel source=\"#path-sampler\" target=\"" +
           target + "\"/></animation></library_animations>";
}

} // namespace

std::string document(const std::string& libraries, const std::string& inQuadNode)
{
    return withMaterials(libraries, inQuadNode, "", "<color>1 0 0 1</color>");
}

std::string texturedDocument(const std::string& parameters)
{
    return withMaterials("<library_images><image id=\"wall-image\"><init_from>wall.png</init_from></image>"
                         "</library_images>",
                         "", parameters, "<texture texture=\"sampler\" texcoord=\"uv\"/>");
}

std::string skinNamingItsController()
{
    return controllers("<controller id=\"skin\"><skin source=\"#skin\"/></controller>");
}

std::string morphsNamingEachOther()
{
    return controllers("<controller id=\"first\"><morph source=\"second\"/></controller>"
                       "<controller id=\"second\"><morph source=\"first\"/></controller>");
}

std::string samplerNamingItself()
{
    return texturedDocument("<newparam sid=\"sampler\"><sampler2D><source>sampler</source></sampler2D></newparam>");
}

std::string surfaceAndSamplerNamingEachOther()
{
    return texturedDocument("<newparam sid=\"surface\"><surface type=\"2D\"><init_from>sampler</init_from>"
                            "</surface></newparam>"
                            "<newparam sid=\"sampler\"><sampler2D><source>surface</source></sampler2D></newparam>");
}

std::string accessorPastItsArray(std::size_t offset)
{
    std::string text = document();
    const std::string accessor = "<accessor source=\"#quad-positions-array\"";
    return text.insert(text.find(accessor) + accessor.size(), " offset=\"" + std::to_string(offset) + "\"");
}

std::string nestedElements(const std::string& name, std::size_t depth)
{
    return document("<library_animations>" + repeated("<" + name + ">", depth) + repeated("</" + name + ">", depth) +
                    "</library_animations>");
}

std::string instanceChain(std::size_t length)
{
    std::string nodes = "<library_nodes><node id=\"link0\"/>";
    for (std::size_t link = 1; link < length; ++link) {
        nodes += "<node id=\"link" + std::to_string(link) + "\"><instance_node url=\"#link" +
                 std::to_string(link - 1) + "\"/></node>";
    }
    nodes += "</library_nodes>";
    return document(nodes, "<instance_node url=\"#link" + std::to_string(length - 1) + "\"/>");
}

std::string doublingInstances(std::size_t levels)
{
    std::string nodes = "<library_nodes><node id=\"level0\">" + boundGeometry("#quad-mesh") + "</node>";
    for (std::size_t level = 1; level <= levels; ++level) {
        const std::string below = "<instance_node url=\"#level" + std::to_string(level - 1) + "\"/>";
        nodes += "<node id=\"level" + std::to_string(level) + "\">" + below + below + "</node>";
    }
    nodes += "</library_nodes>";
    return document(nodes, "<instance_node url=\"#level" + std::to_string(levels) + "\"/>");
}

std::string keyedAnimation(std::size_t keys)
{
    std::string times;
    std::string values;
    for (std::size_t key = 0; key < keys; ++key) {
        times += std::to_string(key) + " ";
        values += "1 0 0 " + std::to_string(key % 7) + " 0 1 0 0 0 0 1 0 0 0 0 1 ";
    }
    return document(animation(times, values, keys, "<param name=\"TRANSFORM\" type=\"float4x4\"/>", 16,
                              "quad/transform"),
                    "<matrix sid=\"transform\">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</matrix>");
}

std::string angleStep(const std::string& degrees)
{
    return document(animation("0 1", "0 " + degrees, 2, "<param name=\"ANGLE\" type=\"float\"/>", 1, "quad/spin.ANGLE"),
                    "<rotate sid=\"spin\">0 1 0 0</rotate>");
}

std::string skewedNode()
{
    return document("", "<skew>45 1 0 0 0 1 0</skew>");
}

std::string skinWithJointPastItsList()
{
    const std::string identity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ";
    const std::string skin =
        "<library_controllers><controller id=\"skin\"><skin source=\"#quad-mesh\">"
        "<source id=\"joints\"><Name_array id=\"joints-array\" count=\"4\">j0 j1 j2 j3</Name_array>"
        "<technique_common><accessor source=\"#joints-array\" count=\"4\" stride=\"1\">"
        "<param name=\"JOINT\" type=\"name\"/></accessor></technique_common></source>"
        "<source id=\"binds\"><float_array id=\"binds-array\" count=\"64\">" +
        repeated(identity, 4) +
        "</float_array><technique_common><accessor source=\"#binds-array\" count=\"4\" stride=\"16\">"
        "<param name=\"TRANSFORM\" type=\"float4x4\"/></accessor></technique_common></source>"
        "<source id=\"weights\"><float_array id=\"weights-array\" count=\"4\">0.1 0.2 0.3 0.4</float_array>"
        "<technique_common><accessor source=\"#weights-array\" count=\"4\" stride=\"1\">"
        "<param name=\"WEIGHT\" type=\"float\"/></accessor></technique_common></source>"
        "<joints><input semantic=\"JOINT\" source=\"#joints\"/>"
        "<input semantic=\"INV_BIND_MATRIX\" source=\"#binds\"/></joints>"
        "<vertex_weights count=\"4\"><input semantic=\"JOINT\" source=\"#joints\" offset=\"0\"/>"
        "<input semantic=\"WEIGHT\" source=\"#weights\" offset=\"1\"/><vcount>4 4 4 4</vcount>"
        "<v>900000000 0 1 1 2 2 3 3" +
        repeated(" 0 0 1 1 2 2 3 3", 3) + "</v></vertex_weights></skin></controller></library_controllers>";
    const std::string joints = "<node id=\"j0\" sid=\"j0\" name=\"j0\" type=\"JOINT\"><node id=\"j1\" sid=\"j1\" "
                               "name=\"j1\" type=\"JOINT\"><node id=\"j2\" sid=\"j2\" name=\"j2\" type=\"JOINT\">"
                               "<node id=\"j3\" sid=\"j3\" name=\"j3\" type=\"JOINT\"/></node></node></node>";
    return header + materials("", "<color>1 0 0 1</color>") + quadGeometry + skin +
           "<library_visual_scenes><visual_scene id=\"scene\" name=\"scene\">" + joints +
           "<node id=\"quad\" name=\"quad\">" + boundGeometry("#skin", "instance_controller") +
           "</node></visual_scene></library_visual_scenes>"
           "<scene><instance_visual_scene url=\"#scene\"/></scene>\n</COLLADA>\n";
}

} // namespace ColladaForgery
