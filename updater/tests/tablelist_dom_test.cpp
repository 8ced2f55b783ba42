#include "TempDir.h"
#include "xml/XmlDom.h"

#include <gtest/gtest.h>

namespace {

const char* kServer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                      "<Server port=\"8005\">\r\n"
                      "  <Service name=\"Catalina\">\r\n"
                      "    <!-- plain connector -->\r\n"
                      "    <Connector port=\"8080\" protocol=\"HTTP/1.1\"/>\r\n"
                      "    <Connector port=\"8009\" protocol=\"AJP/1.3\"/>\r\n"
                      "    <Engine name=\"Catalina\"/>\r\n"
                      "  </Service>\r\n"
                      "</Server>\r\n";

using testsupport::TempDir;

xml::TXmlNode Service(xml::TXmlDocument& doc) {
    doc.LoadFromBytes(kServer);
    return doc.DocumentElement().ChildNodeByName("Service");
}

} // namespace

TEST(XmlDom, CountsCommentsAsChildrenAndDropsWhitespace) {
    xml::TXmlDocument doc;
    xml::TXmlNode service = Service(doc);
    ASSERT_EQ(service.ChildCount(), 4);
    EXPECT_EQ(service.Child(0).NodeName(), "#comment");
    EXPECT_FALSE(service.Child(0).IsElement());
    EXPECT_EQ(service.Child(1).NodeName(), "Connector");
    EXPECT_EQ(service.Child(3).NodeName(), "Engine");
    EXPECT_THROW(service.Child(4), xml::EXmlError);
}

TEST(XmlDom, ReadsAbsentAttributesAsNullAndWritesTypedValuesAsText) {
    xml::TXmlDocument doc;
    xml::TXmlNode connector = Service(doc).Child(1);
    EXPECT_EQ(connector.Attribute("port"), std::optional<std::string>("8080"));
    EXPECT_FALSE(connector.HasAttribute("secure"));
    EXPECT_EQ(connector.Attribute("secure"), std::nullopt);
    connector.SetAttribute("secure", true);
    connector.SetAttribute("maxThreads", 150);
    connector.SetAttribute("port", "08080");
    EXPECT_EQ(connector.Attribute("secure"), std::optional<std::string>("true"));
    EXPECT_EQ(connector.Attribute("maxThreads"), std::optional<std::string>("150"));
    EXPECT_EQ(connector.Attribute("port"), std::optional<std::string>("08080"));
}

TEST(XmlDom, ChildByNameCreatesAMissingElementAtTheEnd) {
    xml::TXmlDocument doc;
    doc.LoadFromBytes("<a><!--c--><b/></a>");
    xml::TXmlNode root = doc.DocumentElement();
    EXPECT_EQ(root.ChildNodeByName("b").NodeName(), "b");
    EXPECT_EQ(root.ChildCount(), 2);
    xml::TXmlNode created = root.ChildNodeByName("Service");
    EXPECT_EQ(root.ChildCount(), 3);
    EXPECT_EQ(root.Child(2).NodeName(), "Service");
    EXPECT_EQ(created.ChildCount(), 0);
}

TEST(XmlDom, InsertsAndDeletesByPositionAndSavesTheResult) {
    TempDir dir;
    const std::string path = dir.Path("server.xml");
    {
        xml::TXmlDocument doc;
        xml::TXmlNode service = Service(doc);
        xml::TXmlNode added = service.InsertElement(1, "Connector");
        added.SetAttribute("port", "8443");
        service.DeleteChild(3); // the AJP connector, now one further down
        EXPECT_THROW(service.InsertElement(9, "x"), xml::EXmlError);
        EXPECT_THROW(service.DeleteChild(9), xml::EXmlError);
        doc.SaveToFile(path);
    }
    xml::TXmlDocument reloaded;
    reloaded.LoadFromFile(path);
    xml::TXmlNode service = reloaded.DocumentElement().ChildNodeByName("Service");
    ASSERT_EQ(service.ChildCount(), 4);
    EXPECT_EQ(service.Child(0).NodeName(), "#comment");
    EXPECT_EQ(service.Child(1).Attribute("port"), std::optional<std::string>("8443"));
    EXPECT_EQ(service.Child(2).Attribute("port"), std::optional<std::string>("8080"));
    EXPECT_EQ(service.Child(3).NodeName(), "Engine");
    EXPECT_EQ(testsupport::ReadFile(path).rfind("<?xml", 0), 0u) << "the declaration is kept";
}

TEST(XmlDom, RefusesDocumentsThatAreNotWellFormedOrMissing) {
    xml::TXmlDocument doc;
    EXPECT_THROW(doc.LoadFromBytes("<a><b></a>"), xml::EXmlError);
    EXPECT_THROW(doc.LoadFromBytes(""), xml::EXmlError);
    EXPECT_THROW(doc.DocumentElement(), xml::EXmlError);
    EXPECT_THROW(doc.LoadFromFile("/nonexistent/dir/server.xml"), xml::EXmlError);
}
